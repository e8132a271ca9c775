#pragma once
// The hex dump of the BaseFrame around a selected byte: offsets, hex pairs,
// the ASCII column and where the selected byte's digits stand.
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "structure/MemoryStream.h"

// The bytes shown are read into a buffer of this size at most.
constexpr std::int64_t HexDumpBufferSize = 65536;

struct THexDump {
  // "Frame " + BaseFrame number + " / " + whole BaseFrames in the stream.
  std::string Label;
  // Without line ends.
  std::vector<std::string> Lines;
  // The first byte shown and how many.
  std::int64_t Start = 0;
  std::int64_t Length = 0;
  // Where the selected byte's first hex digit stands; -1 when it is not shown.
  int MarkLine = -1;
  int MarkColumn = -1;
};

// 22 header bytes, or 82 for a BaseFrame length of 340.
std::int64_t HexDumpHeaderLength(std::int64_t FrameLength);

// Reads the data's bytes from Start on into Into; false when it cannot.
using THexBytes = std::function<bool(std::int64_t Start, std::span<std::uint8_t> Into)>;

// The dump of the BaseFrame of FrameLength bytes that holds Position, in
// data of Size bytes read by Read.
THexDump BuildHexDump(const THexBytes& Read, std::int64_t Size, std::int64_t FrameLength, std::int64_t Position);
// The same of the data in Stream, read without moving its position.
THexDump BuildHexDump(const TMemoryStream& Stream, std::int64_t FrameLength, std::int64_t Position);
