#include "cli/TableCommand.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <map>
#include <memory>
#include <set>
#include <thread>

#include "cli/CliProgress.h"
#include "cli/CliProject.h"
#include "cli/CliStatus.h"
#include "cli/NetcdfTable.h"
#include "cli/OffsetTimeOption.h"
#include "cli/RowRangeOptions.h"
#include "common/AtomicFile.h"
#include "data/PacketStream.h"
#include "shared/CommandLine.h"
#include "table/ColumnInfo.h"
#include "table/TableWriter.h"

namespace {

const std::map<std::string, TTableLayout> Layouts = {{"wide", TTableLayout::Wide}, {"long", TTableLayout::Long}};
const std::map<std::string, TTableFormat> Formats = {
    {"csv", TTableFormat::Csv}, {"tsv", TTableFormat::Tsv}, {"jsonl", TTableFormat::Jsonl}};

struct TOptions {
  TCliProjectOptions Project;
  std::string Layout = "wide";
  std::string Format = "csv";
  std::vector<std::string> Vars;
  std::string OutFile = "-";
  bool Follow = false;
  int Interval = 1000;
  std::string OffsetTime;  // empty: the project's default
  bool Meta = false;
  TRowRangeOptions Range;
};

// Where a table goes: standard output ("-"), a file replaced once it is
// written whole, or, for a followed table, a file written in place from its
// start (a table that grows cannot be replaced whole). Throws EFileError
// when it cannot be written.
class TTableOutput {
 public:
  TTableOutput(const std::string& Name, bool Follow, std::ostream& Out) : Name(Name), Out(Out) {
    if (Name == "-") return;
    if (!Follow) {
      Whole = std::make_unique<TAtomicFile>(Name);
      return;
    }
    Fd = ::open(Name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    struct stat Info {};
    if (Fd >= 0 && ::fstat(Fd, &Info) != 0) {
      ::close(Fd);
      Fd = -1;
    }
    if (Fd < 0) throw EFileError("Cannot create file \"" + Name + "\".");
    Regular = S_ISREG(Info.st_mode);
    Buffer = std::make_unique<TFdBuffer>(Fd);
    InPlace = std::make_unique<std::ostream>(Buffer.get());
  }
  ~TTableOutput() {
    if (!InPlace) return;
    InPlace->flush();
    ::close(Fd);
  }
  TTableOutput(const TTableOutput&) = delete;
  TTableOutput& operator=(const TTableOutput&) = delete;

  std::ostream& Stream() { return Whole ? Whole->Stream() : InPlace ? *InPlace : Out; }
  // Writes out the rows so far; a file written in place ends after them,
  // whatever it held before.
  void Flush() {
    Stream().flush();
    if (InPlace && *InPlace && Regular && ::ftruncate(Fd, ::lseek(Fd, 0, SEEK_CUR)) != 0)
      InPlace->setstate(std::ios::badbit);
  }
  // Replaces the file written whole; standard output is left to the caller to check.
  void Finish() {
    Flush();
    if (Whole) Whole->Commit();
    if (InPlace && !*InPlace) throw EFileError("Cannot write file \"" + Name + "\".");
  }

 private:
  std::string Name;
  std::ostream& Out;
  std::unique_ptr<TAtomicFile> Whole;
  int Fd = -1;
  bool Regular = false;
  std::unique_ptr<TFdBuffer> Buffer;
  std::unique_ptr<std::ostream> InPlace;
};

std::atomic<bool> StopRequested = false;

extern "C" void RequestStop(int) { StopRequested = true; }

// Reads what the files gained every Interval until SIGINT or SIGTERM; the
// rows and the log entries of each look are flushed after it. True when a
// pass logged an Error.
bool Follow(TProject& Project, TTableOutput& Output, std::ostream& Err, std::chrono::milliseconds Interval) {
  StopRequested = false;
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  constexpr std::chrono::milliseconds Step(20);
  bool Errors = false;
  while (!StopRequested) {
    for (auto Waited = std::chrono::milliseconds(0); Waited < Interval && !StopRequested; Waited += Step)
      std::this_thread::sleep_for(std::min(Step, Interval - Waited));
    if (StopRequested) break;
    for (TData* Data : Project.Holders()) Errors = !Data->UpdateFromFile().LastError().empty() || Errors;
    Output.Flush();
    Err.flush();
  }
  return Errors;
}

}  // namespace

int TableCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
  TOptions Options;
  const auto App = NewCommandLine(
      "vorex-cli table", "vorex-cli",
      "Writes the decoded values as a table: one row per BaseFrame with the columns file, frame, serial, time, "
      "datetime and one per variable (its qualified name), or with --layout long one row per decoded variable.");
  AddProjectOptions(*App, Options.Project);
  App->add_option("--layout", Options.Layout, "wide (default) or long")->check(CLI::IsMember(Layouts));
  App->add_option("--format", Options.Format, "csv (default), tsv, jsonl or netcdf (with --out FILE)")
      ->check(CLI::IsMember(std::set<std::string>{"csv", "jsonl", "netcdf", "tsv"}));
  AddRepeatedOption(*App, "--vars", Options.Vars,
                    "comma-separated qualified names or patterns with * and ? (HKFrame.*,*.HK_TEMP?); may be given "
                    "again")
      ->delimiter(',')
      ->type_name("LIST");
  App->add_option("--out", Options.OutFile, "the file to write, - (default) for standard output")->type_name("FILE");
  App->add_flag("--follow", Options.Follow,
                "after the end of the files, keep following them as tracking does, writing each new BaseFrame's "
                "row as it arrives, until SIGINT or SIGTERM");
  App->add_option("--interval", Options.Interval, "milliseconds between two looks at the files (default 1000)")
      ->check(CLI::Range(1, 3600000));
  AddOffsetTimeOption(*App, Options.OffsetTime);
  AddRowRangeOptions(*App, Options.Range);
  App->add_flag("--meta", Options.Meta,
                "with --format jsonl, first one line {\"columns\": [...]} that gives each variable column as vorex-cli "
                "vars does: name, kind, unit, description and transform");
  App->final_callback([&Options] {
    if (Options.Meta && Options.Format != "jsonl") throw CLI::ValidationError("--meta needs --format jsonl");
    if (Options.Follow && AnyPacketFile(Options.Project, IsPacketStream))
      throw CLI::ValidationError("--follow cannot follow standard input or a .gz file, which are read once");
  });
  App->footer("Example: vorex-cli table demo.structure demo.dat --format jsonl --vars 'HKFrame.HK_TEMP?'");
  if (const int Status = ParseCommandLine(*App, Args, Out, Err); Status >= 0) return Status;
  const bool Netcdf = Options.Format == "netcdf";
  if (const std::string Problem =
          Netcdf ? NetcdfUsageProblem(Options.Layout, Options.OutFile, Options.Follow, Options.Range.Given()) : "";
      !Problem.empty()) {
    Err << Problem << "\nRun with --help for more information.\n";
    return ExitUsage;
  }

  const TCliLog Log(Err, Options.Project.Quiet);
  const TCliProgress Progress(Err, Options.Project.Quiet);
  TProject Project;
  bool FollowErrors = false;
  if (!Options.OffsetTime.empty()) Project.OffsetTime = Options.OffsetTime;
  if (const int Code = LoadCliDefinition(Project, Options.Project, Err)) return Code;
  TTableColumns Columns(*Project.Definition);
  bool Unknown = false;
  for (const std::string& Name : Columns.Select(Options.Vars)) {
    AddEntry(llError, "Unknown variable " + Name + ".");
    Unknown = true;
  }
  if (Unknown) return ExitNoLoad;
  Project.Definition->DeferUnused(Columns.RowsInUse());

  try {
    if (Netcdf) {
      if (const int Status = WriteNetcdfTable(Project, Columns, Options.OutFile)) return Status;
      return CliExitStatus(Project);
    }
    TTableOutput Output(Options.OutFile, Options.Follow, Out);
    TTableWriter Writer(Output.Stream(), Formats.at(Options.Format), Layouts.at(Options.Layout), *Project.Definition,
                        Project.Messages, Columns);
    Writer.Threads = Options.Project.Threads;
    Writer.StartTime = Project.StartTime;
    Writer.Range = RowRangeOf(Options.Range, Project.StartTime);
    Writer.WriteHeader();
    if (Options.Meta) WriteColumnsLine(Output.Stream(), ColumnInfos(*Project.Definition, Columns));
    // The rows are written as their BaseFrames are decoded; then the nodes are given back.
    std::vector<std::int64_t> Frames(Project.PacketFiles().size(), 0);
    Project.OnStreamedFrames = [&](int Source, std::span<TDecodedNode* const> Roots) {
      Writer.WriteFrames(Source + 1, Frames[Source], Roots);
      Frames[Source] += static_cast<std::int64_t>(Roots.size());
    };
    // Wide rows are built on the threads that decode their BaseFrames.
    if (Options.Layout == "wide")
      Project.NewStreamedSink = [&](int Source) { return Writer.NewSink(Source + 1, Frames[Source]); };
    Project.StreamedEnough = [&](int Source) { return Writer.Range.Passed(Frames[static_cast<std::size_t>(Source)]); };
    Project.LoadData();
    Output.Flush();
    if (Options.Follow) {
      Err.flush();
      FollowErrors = Follow(Project, Output, Err, std::chrono::milliseconds(Options.Interval));
    } else if (const int Status = BaseFramesFoundStatus(Project)) {
      return Status;
    }
    Output.Finish();
    if (const int Status = StandardOutputStatus(Out)) return Status;
  } catch (const EFileError& Error) {
    AddEntry(llError, Error.what());
    return ExitNoLoad;
  }
  return CliExitStatus(Project, FollowErrors);
}
