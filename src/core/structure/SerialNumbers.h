#pragma once
// Serial numbers of decoded nodes. Packet file K of a project numbers its
// nodes from K * FileSerialSpacing on; should a file's numbers reach the next
// file's base, its further nodes move to a range of their own far above
// every base, so that a serial number names one node of the project.
#include <cstdint>
#include <limits>

constexpr std::int64_t FileSerialSpacing = 100000000;
constexpr std::int64_t NoSerialLimit = std::numeric_limits<std::int64_t>::max();
// The files a project can number apart.
constexpr std::int64_t MaxPacketFiles = 1000;
// Where the moved numbers of the first file begin; those of file K begin at
// K + 1 times this.
constexpr std::int64_t MovedSerialBase = std::int64_t{1} << 48;

// Turns running numbers into serial numbers: From is added, and the numbers
// from Limit on are moved to start at Moved.
struct TSerialNumbering {
  std::int64_t From = 0;
  std::int64_t Limit = NoSerialLimit;
  std::int64_t Moved = 0;

  std::int64_t operator()(std::int64_t Running) const {
    const std::int64_t Number = From + Running;
    return Number < Limit ? Number : Number - Limit + Moved;
  }
  // The numbering of the running numbers that follow Count of them.
  TSerialNumbering After(std::int64_t Count) const { return {From + Count, Limit, Moved}; }
  // Where the numbers of a file whose first node gets Base go once they reach
  // Limit, the base of the file after it.
  static TSerialNumbering OfFile(std::int64_t Base, std::int64_t Limit) {
    return {0, Limit, (Base / FileSerialSpacing + 1) * MovedSerialBase};
  }
};

// Gives out serial numbers for the running numbers from Next on.
struct TSerialCounter {
  std::int64_t Next = 0;
  TSerialNumbering Numbering;

  std::int64_t Take() { return Numbering(Next++); }
};
