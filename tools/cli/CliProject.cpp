#include "cli/CliProject.h"

#include "common/Convert.h"

TCliLog::TCliLog(std::ostream& Err)
    : Previous(SetLogSink([this, &Err](TLogLevel Level, const std::string& Text) {
        ++Counts[Level];
        Err << '[' << LogLevelName(Level) << "] " << Text << '\n';
      })) {}

TCliLog::~TCliLog() { SetLogSink(std::move(Previous)); }

int LoadCliProject(TProject& Project, const std::vector<std::string>& Files, std::ostream& Err) {
  Project.Settings.StructureFile = Files.at(0);
  Project.Settings.PaketFileA = Files.at(1);
  Project.Settings.PaketFileB = Files.size() > 2 ? Files[2] : std::string();
  Project.Settings.Tracking = false;
  try {
    return Project.Load() ? 0 : 2;
  } catch (const EConvertError& Error) {
    Err << "Error: " << Error.what() << '\n';
    return 2;
  }
}
