#pragma once
// Runs a command line through the shell and collects what it wrote.
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "TempDir.h"

struct TCommandResult {
  int ExitCode = -1;
  std::string Out;
  std::string Err;
};

inline std::string Quoted(const std::string& Arg) {
  std::string Q = "'";
  for (const char C : Arg) Q += C == '\'' ? std::string("'\\''") : std::string(1, C);
  return Q + "'";
}

inline TCommandResult RunCommand(const std::string& CommandLine) {
  TTempDir Dir;
  const std::string Out = Dir.File("out"), Err = Dir.File("err");
  const int Status = std::system((CommandLine + " >" + Quoted(Out) + " 2>" + Quoted(Err)).c_str());
  const auto Read = [](const std::string& Name) {
    std::ifstream F(Name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(F), std::istreambuf_iterator<char>());
  };
  return {WIFEXITED(Status) ? WEXITSTATUS(Status) : -1, Read(Out), Read(Err)};
}
