// vorex-cli: decoding, plot series and transform evaluation from the command line.
#include <iostream>
#include <string>
#include <vector>

#include "cli/DecodeCommand.h"
#include "cli/EvalCommand.h"
#include "cli/PlotCommand.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> Args(argv + (argc > 1 ? 2 : argc), argv + argc);
  const std::string Command = argc > 1 ? argv[1] : "";
  if (Command == "decode") return DecodeCommand(Args, std::cout, std::cerr);
  if (Command == "plot") return PlotCommand(Args, std::cout, std::cerr);
  if (Command == "eval") return EvalCommand(Args, std::cout, std::cerr);
  std::cerr << "usage: vorex-cli decode STRUCTURE PACKET [PACKET2] [--dump] [--summary] [--export FILE]\n"
               "       vorex-cli plot STRUCTURE PACKET [PACKET2] --frame F --var V [--sort S]\n"
               "       vorex-cli eval EXPR [--var NAME=VALUE ...]\n";
  return 1;
}
