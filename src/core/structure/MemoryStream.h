#pragma once
// An in-memory byte stream: the word-swapped image of a packet file, which
// every decoded node refers to.
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/Unfilled.h"

// Bytes that a resize does not fill: a file is read into them at once.
using TImageBytes = std::vector<std::uint8_t, TUnfilled<std::uint8_t>>;

class TMemoryStream {
 public:
  TImageBytes Bytes;
  // May lie anywhere, also outside the data; reads there fail.
  std::int64_t Position = 0;

  std::int64_t Size() const { return static_cast<std::int64_t>(Bytes.size()); }

  // Copies Count bytes from the absolute offset Offset; false when any of them
  // lies outside the data.
  bool ReadAt(std::int64_t Offset, void* Target, std::int64_t Count) const {
    if (Count < 0 || Offset < 0 || Offset > Size() || Count > Size() - Offset) return false;
    if (Count > 0) std::memcpy(Target, Bytes.data() + Offset, static_cast<std::size_t>(Count));
    return true;
  }
};
