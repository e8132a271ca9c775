#pragma once
// Where a decoded BaseFrame lies and what its decoding started from, so that
// it can be decoded again alone into exactly the tree of its pass; and what
// lists, filters and time axes need of it without its tree.
#include <cstdint>
#include <limits>

// The Time of a BaseFrame without a PLOT_TIME.
inline constexpr double NoFrameTime = std::numeric_limits<double>::quiet_NaN();

struct TFrameRecord {
  std::int64_t Position = 0;      // file position of its first byte
  std::int64_t FirstSerial = 0;   // the serial number of its first node
  std::int64_t FirstMessage = 0;  // the TEXT messages decoded before it
  // Its last PLOT_TIME (sub-frame contents before their node), NoFrameTime
  // (NaN) when it holds none; a PLOT_TIME of value NaN reads the same.
  double Time = NoFrameTime;
  // Its shape among its file's (TFrameShapes), -1 when it has none;
  // BaseFrames of one shape hold the same rows, frames and names in the same
  // places.
  std::int32_t Shape = -1;
  std::int32_t Nodes = 0;  // of its tree, its root counted
};
static_assert(sizeof(TFrameRecord) <= 40);
