#pragma once
// Where a decoded BaseFrame lies and what its decoding started from, so that
// it can be decoded again alone into exactly the tree of its pass.
#include <cstdint>

struct TFrameRecord {
  std::int64_t Position = 0;      // file position of its first byte
  std::int64_t FirstSerial = 0;   // the serial number of its first node
  std::int64_t FirstMessage = 0;  // the TEXT messages decoded before it
};
