#pragma once
// Byte-and-bit positions of the structure file and the reading of fields and
// messages out of a frame's bytes.
#include <cstdint>
#include <string>

#include "structure/MemoryStream.h"
#include "structure/RowPlace.h"

struct TBitPos {
  std::int32_t Byte = 0;
  std::int32_t Bit = 0;
};

// "byte" or "byte,bit" in the integer syntax of StrToInt; throws EConvertError.
TBitPos ParseBitPos(const std::string& Text);

// Carries whole bytes out of the bit part: (0,12) -> (1,4), (2,-9) -> (1,-1).
void NormalizeBitPos(TBitPos& Pos);

// Unsigned field of at most 16 bits at Position (relative to the stream's
// position), read from the 16-bit window that starts at its byte, most
// significant byte first; only the bytes the field covers are read. 65535
// with an error entry when the field is wider than 16 bits, malformed or
// reaches past the data; the errors about the field's definition end with
// the place of its row.
std::uint16_t ExtractInt(const TMemoryStream& Stream, TBitPos Position, TBitPos Length, const TRowPlace& Row = {});
// The same with Position relative to the byte Base instead.
std::uint16_t ExtractInt(const TMemoryStream& Stream, std::int64_t Base, TBitPos Position, TBitPos Length,
                         const TRowPlace& Row = {});

// Longest length of a message; longer ones are cut to it.
constexpr std::int32_t MaxMessageLength = 65000;

// Text of Length whole bytes at Position, ended at the first zero byte.
// "-Could not read message-" with an error entry when it lies outside the data.
std::string ReadMessage(const TMemoryStream& Stream, TBitPos Position, TBitPos Length);
std::string ReadMessage(const TMemoryStream& Stream, std::int64_t Base, TBitPos Position, TBitPos Length);
