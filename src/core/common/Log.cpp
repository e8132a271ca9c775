#include "common/Log.h"

#include <utility>

namespace {
TLogSink& CurrentSink() {
  static TLogSink Sink;
  return Sink;
}
}  // namespace

void AddEntry(int Level, const std::string& Text) {
  if (Level < llMessage || Level > llError) return;
  const TLogSink& Sink = CurrentSink();
  if (Sink) Sink(static_cast<TLogLevel>(Level), Text);
}

TLogSink SetLogSink(TLogSink Sink) { return std::exchange(CurrentSink(), std::move(Sink)); }

const char* LogLevelName(TLogLevel Level) {
  switch (Level) {
    case llMessage: return "Message";
    case llInfo: return "Info";
    case llWarn: return "Warn";
    case llError: return "Error";
  }
  return "";
}
