#include "cli/VarsCommand.h"

#include <map>

#include "cli/CliProject.h"
#include "cli/CliStatus.h"
#include "common/Convert.h"
#include "shared/CommandLine.h"
#include "table/ColumnInfo.h"

namespace {

using TWriteColumns = void (*)(std::ostream&, const std::vector<TColumnInfo>&);
const std::map<std::string, TWriteColumns> Formats = {{"csv", WriteColumnsCsv}, {"jsonl", WriteColumnsJsonl}};

}  // namespace

int VarsCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
  std::string Structure, Format = "csv";
  bool Quiet = false;
  const auto App = NewCommandLine(
      "vorex-cli vars", "vorex-cli",
      "Lists the variable columns of the wide table of vorex-cli table, in its order, with the columns name "
      "(qualified), kind (the type in the structure file: NUMBER, BOOLEAN, TEXT, TIME or HEX), unit (the text in "
      "the last square brackets of the display name), description (the display name without them) and transform.");
  App->add_option("STRUCTURE", Structure, "the structure file")->required()->type_name("");
  App->add_option("--format", Format, "csv (default) or jsonl")->check(CLI::IsMember(Formats));
  App->add_flag("-q,--quiet", Quiet, "leave out the Message and Info entries of the log");
  App->footer("Example: vorex-cli vars demo.structure --format jsonl");
  if (const int Status = ParseCommandLine(*App, Args, Out, Err); Status >= 0) return Status;

  const TCliLog Log(Err, Quiet);
  try {
    const auto Infos = StructureColumnInfos(Structure);
    if (!Infos) return ExitNoLoad;
    Formats.at(Format)(Out, *Infos);
  } catch (const EConvertError& Error) {
    Err << "Error: " << Error.what() << '\n';
    return ExitNoLoad;
  }
  return StandardOutputStatus(Out);
}
