#include "cli/LoadProject.h"

#include <filesystem>

#include "common/Convert.h"

namespace {

bool FileExists(const std::string& Name) {
  std::error_code Error;
  return std::filesystem::is_regular_file(Name, Error);
}

}  // namespace

TCliLog::TCliLog(std::ostream& Err)
    : Previous(SetLogSink([this, &Err](TLogLevel Level, const std::string& Text) {
        ++Counts[Level];
        Err << '[' << LogLevelName(Level) << "] " << Text << '\n';
      })) {}

TCliLog::~TCliLog() { SetLogSink(std::move(Previous)); }

int TCliProject::Load(const std::vector<std::string>& Files) {
  const std::string& StructureFile = Files.at(0);
  const std::string& PacketFile = Files.at(1);
  if (!FileExists(StructureFile)) {
    AddEntry(llError, "Structurefile does not exist or cannot be opened! (" + StructureFile + ")");
    return 2;
  }
  if (!FileExists(PacketFile)) {
    AddEntry(llError, "Paket file does not exist or cannot be opened! (" + PacketFile + ")");
    return 2;
  }
  std::string Second = Files.size() > 2 ? Files[2] : std::string();
  if (!Second.empty() && !FileExists(Second)) {
    AddEntry(llWarn, "2nd Paket file does not exist or cannot be opened, ignoring entry! (" + Second + ")");
    Second.clear();
  }

  try {
    Definition = std::make_unique<TQuorinFramesDefinition>(StructureFile, Messages);
  } catch (const EConvertError& Error) {
    Err << "Error: " << Error.what() << '\n';
    return 2;
  }
  if (!Definition->Loaded) return 2;

  for (const std::string& File : {PacketFile, Second}) {
    if (File.empty()) continue;
    auto Data = std::make_unique<TData>(File, *Definition);
    if (!Holders.empty()) Data->SerialBase = SecondFileSerialBase;
    Data->StartTracking();
    Data->StopTracking();
    Holders.push_back(std::move(Data));
  }
  return 0;
}
