#include "structure/ByteBit.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/Convert.h"
#include "common/Log.h"

TBitPos ParseBitPos(const std::string& Text) {
  TBitPos Pos;
  const std::size_t Comma = Text.find(',');
  if (Comma == std::string::npos) {
    Pos.Byte = StrToInt(Text);
  } else {
    Pos.Byte = StrToInt(Text.substr(0, Comma));
    Pos.Bit = StrToInt(Text.substr(Comma + 1));
  }
  return Pos;
}

void NormalizeBitPos(TBitPos& Pos) {
  // In 64 bits: the carried bytes may not fit 32 bits; they wrap like the
  // positions they are added to later.
  const std::int64_t Byte = std::int64_t{Pos.Byte} + Pos.Bit / 8;
  Pos.Byte = static_cast<std::int32_t>(Byte);
  Pos.Bit = Pos.Bit % 8;
}

std::uint16_t ExtractInt(const TMemoryStream& Stream, TBitPos Position, TBitPos Length, const TRowPlace& Row) {
  return ExtractInt(Stream, Stream.Position, Position, Length, Row);
}

std::uint16_t ExtractInt(const TMemoryStream& Stream, std::int64_t Base, TBitPos Position, TBitPos Length,
                         const TRowPlace& Row) {
  NormalizeBitPos(Position);
  NormalizeBitPos(Length);
  const std::int64_t Bits = std::int64_t{8} * Length.Byte + Length.Bit;
  if (Bits > 16) {
    AddEntry(llError, "ExtractInt: Length exceeds 16bit! Returning 65535. Check structure!" + Row.Suffix());
    return 65535;
  }
  if (Bits < 0 || Position.Bit < 0) {
    AddEntry(llError, "ExtractInt: Negative bit position or length! Returning 65535. Check structure!" + Row.Suffix());
    return 65535;
  }
  // Only the bytes the field covers: one at the data's last byte is read too.
  const std::int64_t Count = std::clamp<std::int64_t>((Position.Bit + Bits + 7) / 8, 1, 2);
  std::uint8_t Window[2] = {0, 0};
  if (!Stream.ReadAt(Base + Position.Byte, Window, Count)) {
    AddEntry(llError, "Read error occured.");
    return 65535;
  }
  const std::uint32_t Word = ((std::uint32_t{Window[0]} << 8 | Window[1]) << Position.Bit) & 0xFFFF;
  return static_cast<std::uint16_t>(Word >> (16 - Bits));
}

std::string ReadMessage(const TMemoryStream& Stream, TBitPos Position, TBitPos Length) {
  return ReadMessage(Stream, Stream.Position, Position, Length);
}

std::string ReadMessage(const TMemoryStream& Stream, std::int64_t Base, TBitPos Position, TBitPos Length) {
  NormalizeBitPos(Position);
  NormalizeBitPos(Length);
  const std::int32_t Count = std::clamp(Length.Byte, 0, MaxMessageLength);
  std::vector<char> Buffer(static_cast<std::size_t>(Count));
  if (!Stream.ReadAt(Base + Position.Byte, Buffer.data(), Count)) {
    AddEntry(llError, "Read error occured.");
    return "-Could not read message-";
  }
  const auto End = std::find(Buffer.begin(), Buffer.end(), '\0');
  return std::string(Buffer.begin(), End);
}
