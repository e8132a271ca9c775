#include "cli/TableCommand.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <fstream>
#include <map>
#include <memory>
#include <thread>

#include "cli/CliProject.h"
#include "common/AtomicFile.h"
#include "shared/CommandLine.h"
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
};

std::atomic<bool> StopRequested = false;

extern "C" void RequestStop(int) { StopRequested = true; }

// Reads what the files gained every Interval until SIGINT or SIGTERM; the
// rows and the log entries of each look are flushed after it.
void Follow(TProject& Project, std::ostream& Out, std::ostream& Err, std::chrono::milliseconds Interval) {
  StopRequested = false;
  std::signal(SIGINT, RequestStop);
  std::signal(SIGTERM, RequestStop);
  constexpr std::chrono::milliseconds Step(20);
  while (!StopRequested) {
    for (auto Waited = std::chrono::milliseconds(0); Waited < Interval && !StopRequested; Waited += Step)
      std::this_thread::sleep_for(std::min(Step, Interval - Waited));
    if (StopRequested) break;
    for (TData* Data : {Project.DataA.get(), Project.DataB.get()})
      if (Data) Data->UpdateFromFile();
    Out.flush();
    Err.flush();
  }
}

}  // namespace

int TableCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
  TOptions Options;
  const auto App = NewCommandLine(
      "vorex-cli table", "vorex-cli",
      "Writes the decoded values as a table: one row per BaseFrame with the columns file, frame, serial, time and "
      "one per variable (its qualified name), or with --layout long one row per decoded variable.");
  AddProjectOptions(*App, Options.Project);
  App->add_option("--layout", Options.Layout, "wide (default) or long")->check(CLI::IsMember(Layouts));
  App->add_option("--format", Options.Format, "csv (default), tsv or jsonl")->check(CLI::IsMember(Formats));
  App->add_option("--vars", Options.Vars,
                  "comma-separated qualified names or patterns with * and ? (HKFrame.*,*.HK_TEMP?)")
      ->delimiter(',');
  App->add_option("--out", Options.OutFile, "the file to write, - (default) for standard output");
  App->add_flag("--follow", Options.Follow,
                "after the end of the files, keep following them as tracking does, writing each new BaseFrame's "
                "row as it arrives, until SIGINT or SIGTERM");
  App->add_option("--interval", Options.Interval, "milliseconds between two looks at the files (default 1000)")
      ->check(CLI::Range(1, 3600000));
  if (const int Status = ParseCommandLine(*App, Args, Out, Err); Status >= 0) return Status;

  TCliLog Log(Err, Options.Project.Quiet);
  TProject Project;
  if (const int Code = LoadCliDefinition(Project, Options.Project, Err)) return Code;
  TTableColumns Columns(*Project.Definition);
  bool Unknown = false;
  for (const std::string& Name : Columns.Select(Options.Vars)) {
    AddEntry(llError, "Unknown variable " + Name + ".");
    Unknown = true;
  }
  if (Unknown) return ExitNoLoad;

  try {
    // A table that is followed grows in place; any other replaces its file once whole.
    std::unique_ptr<TAtomicFile> Whole;
    std::ofstream Growing;
    if (Options.OutFile != "-" && Options.Follow) {
      Growing.open(Options.OutFile, std::ios::binary | std::ios::trunc);
      if (!Growing) throw EFileError("Cannot create file \"" + Options.OutFile + "\".");
    } else if (Options.OutFile != "-") {
      Whole = std::make_unique<TAtomicFile>(Options.OutFile);
    }
    std::ostream& Stream = Whole ? Whole->Stream() : Growing.is_open() ? Growing : Out;
    TTableWriter Writer(Stream, Formats.at(Options.Format), Layouts.at(Options.Layout), *Project.Definition,
                        Project.Messages, Columns);
    Writer.Threads = Options.Project.Threads;
    Writer.WriteHeader();
    // The rows are written as their BaseFrames are decoded; then the nodes are given back.
    std::int64_t Frames[2] = {0, 0};
    Project.OnStreamedFrames = [&](int Source, std::span<TDecodedNode* const> Roots) {
      Writer.WriteFrames(Source + 1, Frames[Source], Roots);
      Frames[Source] += static_cast<std::int64_t>(Roots.size());
    };
    // Wide rows are built on the threads that decode their BaseFrames.
    if (Options.Layout == "wide")
      Project.NewStreamedSink = [&](int Source) { return Writer.NewSink(Source + 1, Frames[Source]); };
    Project.LoadData();
    Stream.flush();
    if (Options.Follow) {
      Err.flush();
      Follow(Project, Stream, Err, std::chrono::milliseconds(Options.Interval));
    }
    if (Whole) Whole->Commit();
    if (!Stream) throw EFileError("Cannot write file \"" + Options.OutFile + "\".");
  } catch (const EFileError& Error) {
    AddEntry(llError, Error.what());
    return ExitNoLoad;
  }
  return CliExitStatus(Log, Project);
}
