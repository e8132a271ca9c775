#include "cli/TableCommand.h"

#include <map>
#include <memory>

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
};

// Every BaseFrame of a holder, numbered in its file.
void WriteHolder(TTableWriter& Writer, int File, const TData* Data) {
  if (!Data) return;
  std::int64_t Frame = 0;
  for (const TDecodedNode* Root = Data->Frames; Root; Root = Root->Next) Writer.WriteFrame(File, Frame++, *Root);
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

  Project.LoadData();
  try {
    std::unique_ptr<TAtomicFile> File;
    if (Options.OutFile != "-") File = std::make_unique<TAtomicFile>(Options.OutFile);
    TTableWriter Writer(File ? File->Stream() : Out, Formats.at(Options.Format), Layouts.at(Options.Layout),
                        *Project.Definition, Project.Messages, Columns);
    Writer.WriteHeader();
    WriteHolder(Writer, 1, Project.DataA.get());
    WriteHolder(Writer, 2, Project.DataB.get());
    if (File) File->Commit();
  } catch (const EFileError& Error) {
    AddEntry(llError, Error.what());
    return ExitNoLoad;
  }
  return Log.ExitStatus();
}
