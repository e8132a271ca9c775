#pragma once
// Where a row stands in its structure file, named at the end of the messages
// about the row.
#include <cstdint>
#include <string>

struct TRowPlace {
  const std::string* File = nullptr;  // none: the place is unknown
  std::int64_t Line = 0;

  // " (file, line N)", or nothing when the place is unknown.
  std::string Suffix() const {
    if (!File) return {};
    return " (" + *File + ", line " + std::to_string(Line) + ")";
  }
};
