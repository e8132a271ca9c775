#pragma once
// What an update pass of a packet data holder tells its caller.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "common/Log.h"

// How the updates of a holder ended, from the best to the worst.
enum class TPassResult {
  Complete,      // decoded to the end of the data (a partial BaseFrame waits for its rest)
  StoppedEarly,  // ended before the end of its data: a cross dependency, a failed hand-over
  Unreadable,    // the file could not be read, or was refused
};

// Why a pass ended before the end of its data.
enum class TPassStop {
  None,           // it did not
  Decoding,       // a cross dependency, or a decoding that failed
  HandOver,       // OnFrames or a chunk sink failed
  Asked,          // the progress display asked it to stop
  InvalidLength,  // the BaseFrame length is below 1
};

struct TPassReport {
  TPassResult Result = TPassResult::Complete;
  TPassStop Stop = TPassStop::None;
  // Nothing was done: another pass was running.
  bool Delayed = false;
  std::int64_t Frames = 0;   // BaseFrame roots decoded
  std::int64_t Handled = 0;  // BaseFrame positions handled, the invalid ones too
  std::int64_t Bytes = 0;    // the data processed
  // The pass's log entries, as they reached the log.
  std::vector<std::pair<TLogLevel, std::string>> Entries;

  // The text of the last Error entry; empty without one.
  std::string LastError() const { return LastErrorText(Entries); }
};
