#pragma once
// What the fuzz targets share: a quiet log, and the fuzzer's bytes as text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/Log.h"

// The log entries are counted, not written: the fuzzer's speed is the point.
inline void QuietLog() {
  SetLogSink([](TLogLevel, const std::string&) {});
}

inline std::string_view TextOf(const std::uint8_t* Data, std::size_t Size) {
  return {reinterpret_cast<const char*>(Data), Size};
}
