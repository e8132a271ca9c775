#pragma once
// What a hex viewer asks of the window that opened it.
#include <cstdint>
#include <span>

class THexViewOwner {
 public:
  virtual ~THexViewOwner() = default;
  // Where the BaseFrame of packet file Source that the owner shows next after
  // (After) or last before the one at Start begins, in file order; -1 when none.
  virtual std::int64_t ShownFrameBeside(int Source, std::int64_t Start, bool After) const = 0;
  // The bytes of Source's data: how many, and those from Start on into Into
  // (false when they cannot be read).
  virtual std::int64_t DataSize(int Source) const = 0;
  virtual bool ReadData(int Source, std::int64_t Start, std::span<std::uint8_t> Into) const = 0;
};
