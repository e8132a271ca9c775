#pragma once
// What a hex viewer asks of the window that opened it.
#include <cstdint>

#include "structure/MemoryStream.h"

class THexViewOwner {
 public:
  virtual ~THexViewOwner() = default;
  // Where the BaseFrame of Stream that the owner shows next after (After) or
  // last before the one at Start begins, in file order; -1 when none.
  virtual std::int64_t ShownFrameBeside(const TMemoryStream& Stream, std::int64_t Start, bool After) const = 0;
};
