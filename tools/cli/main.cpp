// vorex-cli: decoding, plot series, tables and transform evaluation from the command line.
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/DecodeCommand.h"
#include "cli/EvalCommand.h"
#include "cli/PlotCommand.h"
#include "cli/TableCommand.h"
#include "cli/VarsCommand.h"
#include "common/AtomicFile.h"
#include "shared/CommandLine.h"

namespace {

using TCommand = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);
const std::pair<const char*, TCommand> Commands[] = {{"decode", DecodeCommand},
                                                     {"plot", PlotCommand},
                                                     {"table", TableCommand},
                                                     {"eval", EvalCommand},
                                                     {"vars", VarsCommand}};

int Run(int argc, char** argv, std::ostream& Err) {
  const std::string Name = argc > 1 ? argv[1] : "";
  const std::vector<std::string> Args(argv + (argc > 1 ? 2 : argc), argv + argc);
  for (const auto& [Command, Run] : Commands)
    if (Name == Command) return Run(Args, std::cout, Err);

  const auto App = NewCommandLine("vorex-cli", "vorex-cli", "Decodes packet data files with a structure file.");
  App->set_help_all_flag("--help-all", "Print this help message and that of every command, then exit");
  App->footer(
      "Commands (each takes -h/--help):\n"
      "  decode STRUCTURE PACKET [PACKET2...] [--dump] [--summary] [--export FILE]\n"
      "  plot STRUCTURE PACKET [PACKET2...] --frame F --var V [--sort S]\n"
      "  table STRUCTURE PACKET [PACKET2...] [--layout wide|long] [--format csv|tsv|jsonl] [--vars LIST] [--out FILE]\n"
      "  eval EXPR [--var NAME=VALUE ...]\n"
      "  vars STRUCTURE [--format csv|jsonl]\n"
      "Options may come before, between and after the files or the expression.\n"
      "\n"
      "Exit status:\n"
      "  0  success\n"
      "  1  wrong usage\n"
      "  2  a file that cannot be loaded or read (missing, a structure file that is rejected, a packet file that is\n"
      "     not a regular file or unreadable, a gzip file or standard input of 2 GiB or more), no BaseFrame found\n"
      "     in a packet file that holds one's length, an unknown variable name or pattern, or an output that cannot\n"
      "     be written\n"
      "  3  the output is complete, but Error entries were logged\n"
      "  4  a pass ended before the end of its data (a cross dependency stopped it)\n"
      "\n"
      "Example:\n"
      "  vorex-cli table -q demo.structure demo.dat --vars 'HKFrame.*' --out hk.csv");
  if (const int Status = ParseCommandLine(*App, std::vector<std::string>(argv + 1, argv + argc), std::cout, Err);
      Status >= 0) {
    if (App->get_help_all_ptr()->count() > 0)
      for (const auto& [Command, Run] : Commands) {
        std::cout << '\n';
        Run({"--help"}, std::cout, Err);
      }
    return Status;
  }
  Err << "A command is needed: decode, plot, table or eval\nRun with --help for more information.\n";
  return ExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  RemoveTemporaryFilesOnSignals();
  TFdBuffer ErrBuffer(2);
  std::ostream Err(&ErrBuffer);
  return RunReportingFailure("vorex-cli", Err, [&] { return Run(argc, argv, Err); });
}
