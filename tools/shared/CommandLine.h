#pragma once
// The command-line conventions of the tools: -h/--help prints the usage on
// standard output (exit 0), --version prints the version, and a wrong usage
// gives one line naming it and "Run with --help for more information." on
// standard error (exit 1).
#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

constexpr int ExitClean = 0;
constexpr int ExitUsage = 1;
constexpr int ExitNoLoad = 2;
constexpr int ExitWithErrors = 3;
constexpr int ExitStoppedEarly = 4;

// A parser for Name ("vorex-cli decode") whose --version names Program.
std::unique_ptr<CLI::App> NewCommandLine(const std::string& Name, const std::string& Program,
                                         const std::string& Description);

// An option that takes exactly one value each time it is given and may be
// given again: the values add up in Values. It never takes a positional or
// "--" that follows its value.
CLI::Option* AddRepeatedOption(CLI::App& App, const std::string& Name, std::vector<std::string>& Values,
                               const std::string& Description);

// Parses Args (the arguments after the program and command names). Returns
// -1 to go on, otherwise the exit status, after writing the usage, the
// version or the error.
int ParseCommandLine(CLI::App& App, const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err);

// The exit status of Body; a failure it throws is named on Err after Program
// and exits 2 instead of aborting the process.
int RunReportingFailure(const char* Program, std::ostream& Err, const std::function<int()>& Body) noexcept;

// Writes to a file descriptor through a buffer: one write per flush or full
// buffer instead of one per entry.
class TFdBuffer : public std::streambuf {
 public:
  explicit TFdBuffer(int Fd);
  ~TFdBuffer() override;
  TFdBuffer(const TFdBuffer&) = delete;
  TFdBuffer& operator=(const TFdBuffer&) = delete;

 protected:
  int overflow(int C) override;
  int sync() override;

 private:
  int Fd;
  std::vector<char> Buffer;
};
