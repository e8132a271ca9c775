#pragma once
// What the fuzz targets share: a quiet log, and inputs that the code under
// test reads from files written to a scratch file of this process.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/Log.h"

// The log entries are counted, not written: the fuzzer's speed is the point.
inline void QuietLog() {
  SetLogSink([](TLogLevel, const std::string&) {});
}

// Writes the bytes to this process's scratch file Name and returns its path.
inline std::string ScratchFile(const std::string& Name, const std::uint8_t* Data, std::size_t Size) {
  const std::filesystem::path Path =
      std::filesystem::temp_directory_path() / ("vorex-fuzz-" + std::to_string(getpid()) + "-" + Name);
  std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
  Out.write(reinterpret_cast<const char*>(Data), static_cast<std::streamsize>(Size));
  return Path.string();
}

inline std::string ScratchFile(const std::string& Name, const std::string& Text) {
  return ScratchFile(Name, reinterpret_cast<const std::uint8_t*>(Text.data()), Text.size());
}
