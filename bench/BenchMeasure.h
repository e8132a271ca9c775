#pragma once
// Clock and heap measures the benchmarks share.
#include <malloc.h>

#include <chrono>
#include <cstddef>

using TBenchClock = std::chrono::steady_clock;

inline double SecondsSince(TBenchClock::time_point Start) {
  return std::chrono::duration<double>(TBenchClock::now() - Start).count();
}

// Bytes the allocator has handed out and not got back.
inline std::size_t HeapInUse() {
  const struct mallinfo2 Info = mallinfo2();
  return Info.uordblks + Info.hblkhd;
}
