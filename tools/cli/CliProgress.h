#pragma once
// The progress line of a command's passes over large packet files, on
// standard error when it is a terminal.
#include <memory>
#include <ostream>

#include "common/Log.h"
#include "common/TerminalProgress.h"

// While it lives: passes show their progress line through Err when
// standard error is a terminal and not Quiet, and each log entry blanks the
// line before it is written.
class TCliProgress {
 public:
  TCliProgress(std::ostream& Err, bool Quiet);
  ~TCliProgress();
  TCliProgress(const TCliProgress&) = delete;
  TCliProgress& operator=(const TCliProgress&) = delete;

 private:
  std::unique_ptr<TTerminalProgress> Progress;
  TLoadProgress* PreviousProgress = nullptr;
  TLogSink PreviousSink;
};
