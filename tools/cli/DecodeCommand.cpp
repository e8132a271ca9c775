#include "cli/DecodeCommand.h"

#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <sstream>

#include "browser/BrowserExport.h"
#include "cli/CliProgress.h"
#include "cli/CliProject.h"
#include "cli/CliStatus.h"
#include "common/AtomicFile.h"
#include "common/FloatText.h"
#include "data/ChunkSink.h"
#include "data/PacketStream.h"
#include "shared/CommandLine.h"

namespace {

struct TOptions {
  TCliProjectOptions Project;
  bool Dump = false;
  bool Summary = false;
  std::string ExportFile;
};

// A node and its subtree in pre-order, one line each.
void DumpNode(const TFramesDefinition& Definition, const TDecodedNode& Node, int Depth, std::string& Out) {
  Out += std::to_string(Depth) + '\t' + std::to_string(Node.SerialNo) + '\t' + std::to_string(Node.DefIndex) + '\t' +
         std::to_string(Node.FrameIndex) + '\t' + std::to_string(Node.Position) + '\t' +
         GeneralFloatText(Node.RawValue, '.') + '\t' + GeneralFloatText(Node.Value, '.') + '\t' +
         Definition.NodeQualifiedName(Node) + '\n';
  for (const TDecodedNode* Child = Node.Child; Child; Child = Child->Next) DumpNode(Definition, *Child, Depth + 1, Out);
}

void CountSubframes(const TFramesDefinition& Definition, const TDecodedNode* List,
                    std::map<std::string, std::int64_t>& Counts) {
  for (const TDecodedNode* Node = List; Node; Node = Node->Next) {
    if (Definition.Entries[static_cast<std::size_t>(Node->DefIndex)].Kind == ekSubframe)
      ++Counts[Definition.NodeVarName(*Node) + " -> " +
               Definition.Entries[static_cast<std::size_t>(Node->FrameIndex)].VarName];
    CountSubframes(Definition, Node->Child, Counts);
  }
}

// What the options ask of the BaseFrames as the pass hands them over: their
// dump to Out, the summary's counts and first lines, the export's columns.
class TDecodeSinks {
 public:
  TDecodeSinks(const TOptions& Options, const TFramesDefinition& Definition, std::ostream& Out)
      : Options(Options), Definition(Definition), Out(Out), Export(Definition) {}

  void Take(int Source, std::span<TDecodedNode* const> Roots) {
    for (const TDecodedNode* Root : Roots) {
      if (Options.Dump && Out) {
        DumpNode(Definition, *Root, 0, Dump);
        Out << Dump;
        Dump.clear();
      }
      if (Options.Summary) {
        if (Source == 0 && FirstDump.empty()) DumpNode(Definition, *Root, 0, FirstDump);
        CountSubframes(Definition, Root->Child, Subframes);
      }
      if (!Options.ExportFile.empty()) Export.TakeColumns(Root);
    }
  }

  void PrintSummary(const std::vector<TData*>& Holders, const std::map<TLogLevel, std::int64_t>& LogCounts) {
    for (const TData* Data : Holders)
      Out << "BaseFrames decoded from " << Data->FileName << ": " << Data->FrameCount() << '\n';
    Out << "Log entries:";
    for (const TLogLevel Level : {llMessage, llInfo, llWarn, llError}) {
      const auto It = LogCounts.find(Level);
      Out << ' ' << LogLevelName(Level) << ' ' << (It == LogCounts.end() ? 0 : It->second);
    }
    Out << "\nFrames per sub-frame kind:\n";
    for (const auto& [Kind, Count] : Subframes) Out << "  " << Kind << ": " << Count << '\n';
    Out << "First decoded nodes (depth, SerialNo, DefIndex, FrameIndex, Position, RawValue, Value, name):\n";
    std::size_t End = 0;
    for (int Line = 0; Line < 24 && End != std::string::npos; ++Line) End = FirstDump.find('\n', End + 1);
    Out << FirstDump.substr(0, End == std::string::npos ? std::string::npos : End + 1);
  }

  // The export's columns, taken from the BaseFrames handed over.
  TBrowserExport& TakenExport() { return Export; }

 private:
  const TOptions& Options;
  const TFramesDefinition& Definition;
  std::ostream& Out;
  std::string Dump, FirstDump;
  std::map<std::string, std::int64_t> Subframes;
  TBrowserExport Export;
};

// Takes the BaseFrames of a run that shows only its log.
class TNoSink : public TChunkSink {
 public:
  void Take(const TDecodedNode&, const std::vector<std::string>&) override {}
  void Join(const TSerialNumbering&) override {}
  bool JoinsBesideTakes() const override { return true; }
};

// Writes the export's data lines to Target: the files are decoded again,
// silently, up to the BaseFrames of the first run (Counts, per file).
TExportDimension WriteExportLines(const TCliProjectOptions& Options, TBrowserExport& Export,
                                  const std::vector<std::int64_t>& Counts, std::ostream& Target) {
  const TLogCapture Silent;
  std::ostringstream NoErrors;
  TProject Project;
  std::vector<std::int64_t> Written(Counts.size(), 0);
  Export.WriteHeader(Target);
  Project.OnStreamedFrames = [&](int Source, std::span<TDecodedNode* const> Roots) {
    const auto File = static_cast<std::size_t>(Source);
    for (const TDecodedNode* Root : Roots)
      if (File < Counts.size() && Written[File]++ < Counts[File]) Export.WriteFrame(Target, Root);
  };
  LoadCliProject(Project, Options, NoErrors);
  return Export.Finish(Target);
}

// The browser export of every BaseFrame in file order, to Out for "-"; 2
// when the file or Out cannot be written. Its message goes to Err unless Quiet.
int WriteExport(const TOptions& Options, TBrowserExport& Export, const std::vector<std::int64_t>& Counts,
                std::ostream& Out, std::ostream& Err) {
  const std::string& FileName = Options.ExportFile;
  TExportDimension Dimension;
  if (FileName == "-") {
    Dimension = WriteExportLines(Options.Project, Export, Counts, Out);
    if (const int Status = StandardOutputStatus(Out)) return Status;
  } else {
    try {
      TAtomicFile File(FileName);
      Dimension = WriteExportLines(Options.Project, Export, Counts, File.Stream());
      File.Commit();
    } catch (const EFileError&) {
      AddEntry(llError, "Cannot write export file " + FileName + ".");
      return ExitNoLoad;
    }
  }
  if (Options.Project.Quiet) return ExitClean;
  std::string Message = ExportMessage(FileName, Dimension);
  Message.replace(Message.find("\r\n"), 2, "\n");
  Err << Message << '\n';
  return ExitClean;
}

}  // namespace

int DecodeCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
  TOptions Options;
  const auto App = NewCommandLine(
      "vorex-cli decode", "vorex-cli",
      "Checks the files as a project load does, loads the structure definition and reads "
      "each packet file once, in order (the second one with serial numbers from 100000000, each further one "
      "100000000 higher).");
  AddProjectOptions(*App, Options.Project);
  App->add_flag("--dump", Options.Dump,
                "one line per decoded node: depth, SerialNo, DefIndex, FrameIndex, Position, RawValue, Value, "
                "qualified name (TAB separated)");
  App->add_flag("--summary", Options.Summary, "BaseFrames decoded, frames per sub-frame kind, first dump lines");
  App->add_option("--export", Options.ExportFile,
                  "writes every BaseFrame of the packet files, in order, to FILE (- for standard output) as a browser "
                  "export (semicolon-separated, CR LF line ends)")
      ->check([](const std::string& Name) { return Name.empty() ? std::string("a file name is needed") : ""; })
      ->type_name("FILE");
  App->final_callback([&Options] {
    if (!Options.ExportFile.empty() && AnyPacketFile(Options.Project, IsStandardInput))
      throw CLI::ValidationError("--export reads the packet files twice, which standard input cannot be");
  });
  App->footer("Example: vorex-cli decode demo.structure demo.dat --summary -q");
  if (const int Status = ParseCommandLine(*App, Args, Out, Err); Status >= 0) return Status;

  TCliLog Log(Err, Options.Project.Quiet);
  const TCliProgress Progress(Err, Options.Project.Quiet);
  TProject Project;
  // The BaseFrames are taken as they are decoded, and then given back.
  std::optional<TDecodeSinks> Sinks;
  Project.OnStreamedFrames = [&](int Source, std::span<TDecodedNode* const> Roots) {
    if (!Sinks) Sinks.emplace(Options, *Project.Definition, Out);
    Sinks->Take(Source, Roots);
  };
  if (const int Code = LoadCliDefinition(Project, Options.Project, Err)) return Code;
  // Without a dump, summary or export no value is shown, only the log: the
  // transforms that cannot add to it are left, and the BaseFrames of each
  // thread are given back there.
  if (!Options.Dump && !Options.Summary && Options.ExportFile.empty()) {
    Project.Definition->DeferUnused({});
    Project.NewStreamedSink = [](int) { return std::make_unique<TNoSink>(); };
  }
  if (const int Code = LoadCliData(Project)) return Code;
  if (const int Status = BaseFramesFoundStatus(Project)) return Status;
  if (!Sinks) Sinks.emplace(Options, *Project.Definition, Out);
  const std::vector<TData*> Holders = Project.Holders();
  // Each file's BaseFrames, by its number.
  std::vector<std::int64_t> Counts;
  for (const TData* Data : Holders) {
    Counts.resize(TProject::FileOf(*Data) + 1);
    Counts.back() = Data->FrameCount();
  }

  if (Options.Summary) Sinks->PrintSummary(Holders, Log.Counts);
  if (const int Status = StandardOutputStatus(Out)) return Status;
  const int Status = CliExitStatus(Project);
  if (!Options.ExportFile.empty()) {
    // The holders' memory is not needed for the second run.
    Project.DropData();
    if (const int Failed = WriteExport(Options, Sinks->TakenExport(), Counts, Out, Err)) return Failed;
  }
  return Status;
}
