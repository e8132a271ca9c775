#include "cli/DecodeCommand.h"

#include <map>
#include <ostream>

#include "browser/BrowserExport.h"
#include "cli/CliProgress.h"
#include "cli/CliProject.h"
#include "cli/CliStatus.h"
#include "common/AtomicFile.h"
#include "common/FloatText.h"
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

void PrintSummary(const TFramesDefinition& Definition, const std::vector<const TData*>& Holders,
                  const std::map<TLogLevel, std::int64_t>& LogCounts, std::ostream& Out) {
  std::map<std::string, std::int64_t> Subframes;
  for (const TData* Data : Holders) {
    Out << "BaseFrames decoded from " << Data->FileName << ": " << Data->FrameCount() << '\n';
    for (const TDecodedNode* Root = Data->Frames; Root; Root = Root->Next)
      CountSubframes(Definition, Root->Child, Subframes);
  }
  Out << "Log entries:";
  for (const TLogLevel Level : {llMessage, llInfo, llWarn, llError}) {
    const auto It = LogCounts.find(Level);
    Out << ' ' << LogLevelName(Level) << ' ' << (It == LogCounts.end() ? 0 : It->second);
  }
  Out << "\nFrames per sub-frame kind:\n";
  for (const auto& [Kind, Count] : Subframes) Out << "  " << Kind << ": " << Count << '\n';
  Out << "First decoded nodes (depth, SerialNo, DefIndex, FrameIndex, Position, RawValue, Value, name):\n";
  std::string Dump;
  if (!Holders.empty() && Holders[0]->Frames) DumpNode(Definition, *Holders[0]->Frames, 0, Dump);
  std::size_t End = 0;
  for (int Line = 0; Line < 24 && End != std::string::npos; ++Line) End = Dump.find('\n', End + 1);
  Out << Dump.substr(0, End == std::string::npos ? std::string::npos : End + 1);
}

// The browser export of every BaseFrame in file order, to Out for "-"; 2
// when the file or Out cannot be written. Its message goes to Err unless Quiet.
int WriteExport(const TFramesDefinition& Definition, const std::vector<const TData*>& Holders,
                const std::string& FileName, bool Quiet, std::ostream& Out, std::ostream& Err) {
  std::vector<const TDecodedNode*> Roots;
  for (const TData* Data : Holders)
    for (const TDecodedNode* Root = Data->Frames; Root; Root = Root->Next) Roots.push_back(Root);
  TExportDimension Dimension;
  if (FileName == "-") {
    Dimension = WriteBrowserExport(Out, Definition, Roots);
    if (const int Status = StandardOutputStatus(Out)) return Status;
  } else {
    try {
      TAtomicFile File(FileName);
      Dimension = WriteBrowserExport(File.Stream(), Definition, Roots);
      File.Commit();
    } catch (const EFileError&) {
      AddEntry(llError, "Cannot write export file " + FileName + ".");
      return ExitNoLoad;
    }
  }
  if (Quiet) return ExitClean;
  std::string Message = ExportMessage(FileName, Dimension);
  Message.replace(Message.find("\r\n"), 2, "\n");
  Err << Message << '\n';
  return ExitClean;
}

// Every decoded node of the files, stopping early when Out fails.
void WriteDump(const TFramesDefinition& Definition, const std::vector<const TData*>& Holders, std::ostream& Out) {
  std::string Dump;
  for (const TData* Data : Holders) {
    for (const TDecodedNode* Root = Data->Frames; Root && Out; Root = Root->Next) {
      DumpNode(Definition, *Root, 0, Dump);
      Out << Dump;
      Dump.clear();
    }
  }
}

}  // namespace

int DecodeCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
  TOptions Options;
  const auto App = NewCommandLine("vorex-cli decode", "vorex-cli",
                                  "Checks the files as a project load does, loads the structure definition and reads "
                                  "each packet file once (the second one with serial numbers from 100000000).");
  AddProjectOptions(*App, Options.Project);
  App->add_flag("--dump", Options.Dump,
                "one line per decoded node: depth, SerialNo, DefIndex, FrameIndex, Position, RawValue, Value, "
                "qualified name (TAB separated)");
  App->add_flag("--summary", Options.Summary, "BaseFrames decoded, frames per sub-frame kind, first dump lines");
  App->add_option("--export", Options.ExportFile,
                  "writes every BaseFrame of PACKET, then of PACKET2, to FILE (- for standard output) as a browser "
                  "export (semicolon-separated, CR LF line ends)")
      ->check([](const std::string& Name) { return Name.empty() ? std::string("a file name is needed") : ""; })
      ->type_name("FILE");
  App->footer("Example: vorex-cli decode demo.structure demo.dat --summary -q");
  if (const int Status = ParseCommandLine(*App, Args, Out, Err); Status >= 0) return Status;

  TCliLog Log(Err, Options.Project.Quiet);
  const TCliProgress Progress(Err, Options.Project.Quiet);
  TProject Project;
  if (const int Code = LoadCliProject(Project, Options.Project, Err)) return Code;
  if (const int Status = BaseFramesFoundStatus(Project)) return Status;
  const TFramesDefinition& Definition = *Project.Definition;
  std::vector<const TData*> Holders{Project.DataA.get()};
  if (Project.DataB) Holders.push_back(Project.DataB.get());

  if (Options.Dump) WriteDump(Definition, Holders, Out);
  if (Options.Summary) PrintSummary(Definition, Holders, Log.Counts, Out);
  if (const int Status = StandardOutputStatus(Out)) return Status;
  if (!Options.ExportFile.empty()) {
    if (const int Status = WriteExport(Definition, Holders, Options.ExportFile, Options.Project.Quiet, Out, Err))
      return Status;
  }
  return CliExitStatus(Project);
}
