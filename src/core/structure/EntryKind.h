#pragma once
#include <cstdint>

// Kind of a structure definition row; the byte values are stored and read as such.
enum TEntryKind : std::uint8_t { ekNumber = 0, ekBoolean = 1, ekSubframe = 2, ekText = 3, ekFrame = 4 };
