#include "cli/CliProject.h"

#include <algorithm>

#include "common/Convert.h"
#include "data/PacketStream.h"
#include "shared/CommandLine.h"

void AddProjectOptions(CLI::App& App, TCliProjectOptions& Options) {
  App.add_option("STRUCTURE", Options.Structure, "the structure file")->required()->type_name("");
  App.add_option("PACKET", Options.Packet,
                 "the packet file; - reads standard input, a name ending in .gz is decompressed as it is read")
      ->required()
      ->type_name("");
  App.add_option("PACKET2", Options.MorePackets,
                 "more packet files, read after PACKET in their order: the second one's serial numbers from "
                 "100000000, each further one's 100000000 higher (at most " +
                     std::to_string(MaxPacketFiles) + " files in all)")
      ->type_name("");
  App.parse_complete_callback([&Options] {
    if (static_cast<std::int64_t>(Options.MorePackets.size()) >= MaxPacketFiles)
      throw CLI::ValidationError("at most " + std::to_string(MaxPacketFiles) + " packet files can be read together");
  });
  App.add_flag("-q,--quiet", Options.Quiet,
               "leave out the Message and Info entries of the log and the export's message lines");
  App.add_flag("--resync", Options.Resync,
               "after an invalid BaseFrame, go on decoding at the next synchronisation marker at any byte (one "
               "warning for the bytes skipped) instead of warning of every BaseFrame position");
  App.add_option("--threads", Options.Threads,
                 "threads that decode the BaseFrames of a file (0, the default: one per core); the results are the "
                 "same with any number")
      ->check(CLI::Range(0, 1024));
}

TCliLog::TCliLog(std::ostream& Err, bool Quiet)
    : Previous(SetLogSink([this, &Err, Quiet](TLogLevel Level, const std::string& Text) {
        ++Counts[Level];
        if (Quiet && Level < llWarn) return;
        Err << '[' << LogLevelName(Level) << "] " << Text << '\n';
      })) {}

TCliLog::~TCliLog() { SetLogSink(std::move(Previous)); }

int LoadCliDefinition(TProject& Project, const TCliProjectOptions& Options, std::ostream& Err) {
  Project.Settings.StructureFile = Options.Structure;
  std::vector<std::string> Packets{Options.Packet};
  Packets.insert(Packets.end(), Options.MorePackets.begin(), Options.MorePackets.end());
  Project.SetPacketFiles(Packets);
  Project.Settings.Tracking = false;
  Project.Settings.Resync = Options.Resync;
  Project.Threads = Options.Threads;
  Project.ReadsStreams = true;
  try {
    return Project.LoadDefinition() ? ExitClean : ExitNoLoad;
  } catch (const EConvertError& Error) {
    Err << "Error: " << Error.what() << '\n';
    return ExitNoLoad;
  }
}

int LoadCliData(TProject& Project) {
  Project.LoadData();
  return Project.DataResult() == TPassResult::Unreadable ? ExitNoLoad : ExitClean;
}

int LoadCliProject(TProject& Project, const TCliProjectOptions& Options, std::ostream& Err) {
  const int Status = LoadCliDefinition(Project, Options, Err);
  return Status != ExitClean ? Status : LoadCliData(Project);
}

bool AnyPacketFile(const TCliProjectOptions& Options, bool (*Test)(const std::string& Name)) {
  return Test(Options.Packet) || std::any_of(Options.MorePackets.begin(), Options.MorePackets.end(), Test);
}

int CliExitStatus(const TProject& Project, bool LaterErrors) {
  switch (Project.DataResult()) {
    case TPassResult::Unreadable: return ExitNoLoad;
    case TPassResult::StoppedEarly: return ExitStoppedEarly;
    case TPassResult::Complete: break;
  }
  bool Errors = LaterErrors || !LastErrorText(Project.DefinitionEntries()).empty();
  for (const TPassReport& Report : Project.LoadReports()) Errors = Errors || !Report.LastError().empty();
  return Errors ? ExitWithErrors : ExitClean;
}
