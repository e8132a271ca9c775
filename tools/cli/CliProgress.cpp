#include "cli/CliProgress.h"

#include <unistd.h>

TCliProgress::TCliProgress(std::ostream& Err, bool Quiet) {
  if (Quiet || ::isatty(STDERR_FILENO) == 0) return;
  Progress = std::make_unique<TTerminalProgress>(
      [&Err](std::string_view Text) {
        Err.write(Text.data(), static_cast<std::streamsize>(Text.size()));
        Err.flush();
      },
      TerminalWidth(STDERR_FILENO));
  PreviousProgress = SetLoadProgress(Progress.get());
  PreviousSink = SetLogSink([this](TLogLevel Level, const std::string& Text) {
    Progress->ClearLine();
    PreviousSink(Level, Text);
  });
}

TCliProgress::~TCliProgress() {
  if (!Progress) return;
  SetLogSink(std::move(PreviousSink));
  SetLoadProgress(PreviousProgress);
}
