#include "shared/CommandLine.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

std::unique_ptr<CLI::App> NewCommandLine(const std::string& Name, const std::string& Program,
                                         const std::string& Description) {
  auto App = std::make_unique<CLI::App>(Description, Name);
  App->set_version_flag("--version", Program + " " VOREX_VERSION);
  return App;
}

CLI::Option* AddRepeatedOption(CLI::App& App, const std::string& Name, std::vector<std::string>& Values,
                               const std::string& Description) {
  return App.add_option(Name, Values, Description)
      ->expected(1)
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
}

int ParseCommandLine(CLI::App& App, const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err) {
  std::vector<std::string> Reversed(Args.rbegin(), Args.rend());
  try {
    App.parse(Reversed);
    return -1;
  } catch (const CLI::CallForHelp&) {
    Out << App.help();
    return ExitClean;
  } catch (const CLI::CallForAllHelp&) {
    Out << App.help("", CLI::AppFormatMode::All);
    return ExitClean;
  } catch (const CLI::CallForVersion& Version) {
    Out << Version.what() << '\n';
    return ExitClean;
  } catch (const CLI::ParseError& Error) {
    // An unknown option is named even where a missing argument was found first.
    const std::vector<std::string> Unknown = App.remaining();
    Err << (Unknown.empty() ? std::string(Error.what()) : std::string(CLI::ExtrasError(Unknown).what()))
        << "\nRun with --help for more information.\n";
    return ExitUsage;
  }
}

TFdBuffer::TFdBuffer(int Fd) : Fd(Fd), Buffer(1 << 16) { setp(Buffer.data(), Buffer.data() + Buffer.size()); }

TFdBuffer::~TFdBuffer() { sync(); }

int TFdBuffer::overflow(int C) {
  if (sync() != 0) return traits_type::eof();
  if (C != traits_type::eof()) {
    *pptr() = static_cast<char>(C);
    pbump(1);
  }
  return traits_type::not_eof(C);
}

int TFdBuffer::sync() {
  const char* Next = pbase();
  while (Next < pptr()) {
    const ssize_t Written = ::write(Fd, Next, static_cast<std::size_t>(pptr() - Next));
    if (Written < 0 && errno == EINTR) continue;
    if (Written <= 0) break;
    Next += Written;
  }
  const bool Complete = Next == pptr();
  setp(Buffer.data(), Buffer.data() + Buffer.size());
  return Complete ? 0 : -1;
}

int RunReportingFailure(const char* Program, std::ostream& Err, const std::function<int()>& Body) noexcept {
  try {
    try {
      return Body();
    } catch (const std::exception& Failure) {
      Err << Program << ": failed: " << Failure.what() << '\n';
    } catch (...) {
      Err << Program << ": failed\n";
    }
    Err.flush();
  } catch (...) {
  }
  return ExitNoLoad;
}
