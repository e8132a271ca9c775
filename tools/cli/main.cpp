// vorex-cli: decoding, plot series, tables and transform evaluation from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "cli/DecodeCommand.h"
#include "cli/EvalCommand.h"
#include "cli/PlotCommand.h"
#include "cli/TableCommand.h"
#include "shared/CommandLine.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  TFdBuffer ErrBuffer(2);
  std::ostream Err(&ErrBuffer);
  const std::string Command = argc > 1 ? argv[1] : "";
  const std::vector<std::string> Args(argv + (argc > 1 ? 2 : argc), argv + argc);
  if (Command == "decode") return DecodeCommand(Args, std::cout, Err);
  if (Command == "plot") return PlotCommand(Args, std::cout, Err);
  if (Command == "table") return TableCommand(Args, std::cout, Err);
  if (Command == "eval") return EvalCommand(Args, std::cout, Err);

  const auto App = NewCommandLine("vorex-cli", "vorex-cli", "Decodes packet data files with a structure file.");
  App->footer(
      "Commands (each takes -h/--help):\n"
      "  decode STRUCTURE PACKET [PACKET2] [--dump] [--summary] [--export FILE]\n"
      "  plot STRUCTURE PACKET [PACKET2] --frame F --var V [--sort S]\n"
      "  table STRUCTURE PACKET [PACKET2] [--layout wide|long] [--format csv|tsv|jsonl] [--vars LIST] [--out FILE]\n"
      "  eval EXPR [--var NAME=VALUE ...]");
  if (const int Status = ParseCommandLine(*App, std::vector<std::string>(argv + 1, argv + argc), std::cout, Err);
      Status >= 0)
    return Status;
  Err << "A command is needed: decode, plot, table or eval\nRun with --help for more information.\n";
  return ExitUsage;
}
