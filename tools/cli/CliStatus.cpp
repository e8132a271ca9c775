#include "cli/CliStatus.h"

#include "common/Log.h"
#include "shared/CommandLine.h"
#include "structure/InstrumentNames.h"

int StandardOutputStatus(std::ostream& Out) {
  if (Out.flush()) return ExitClean;
  AddEntry(llError, "Cannot write standard output.");
  return ExitNoLoad;
}

int BaseFramesFoundStatus(const TProject& Project) {
  for (const TPassReport& Report : Project.LoadReports())
    if (!Report.LastError().empty()) return ExitClean;
  const std::int32_t Length = Project.Definition->GetFrameLength(BaseFrameName);
  int Status = ExitClean;
  for (const TData* Data : Project.Holders()) {
    if (Data->FrameCount() > 0 || Length <= 0 || Data->DataSize() < Length) continue;
    AddEntry(llError, "No BaseFrame found in " + Data->FileName + ".");
    Status = ExitNoLoad;
  }
  return Status;
}
