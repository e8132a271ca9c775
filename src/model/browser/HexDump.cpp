#include "browser/HexDump.h"

#include <algorithm>

namespace {

constexpr std::int64_t BytesPerLine = 16;
// Where the ASCII column starts in every line: a six-digit offset, three
// spaces, eight pairs of four digits and two spaces each, five spaces.
constexpr std::size_t AsciiColumn = 62;
constexpr char HexDigits[] = "0123456789ABCDEF";

void AppendHexByte(std::string& Line, std::uint8_t Byte) {
  Line += HexDigits[Byte >> 4];
  Line += HexDigits[Byte & 15];
}

// Upper-case hexadecimal with at least six digits.
void AppendOffset(std::string& Line, std::int64_t Offset) {
  char Digits[16];
  int Count = 0;
  auto Rest = static_cast<std::uint64_t>(Offset);
  do {
    Digits[Count++] = HexDigits[Rest & 15];
    Rest >>= 4;
  } while (Rest != 0);
  for (int I = Count; I < 6; ++I) Line += '0';
  while (Count > 0) Line += Digits[--Count];
}

}  // namespace

std::int64_t HexDumpHeaderLength(std::int64_t FrameLength) { return FrameLength == 340 ? 82 : 22; }

THexDump BuildHexDump(const TMemoryStream& Stream, std::int64_t FrameLength, std::int64_t Position) {
  return BuildHexDump(
      [&Stream](std::int64_t Start, std::span<std::uint8_t> Into) {
        return Stream.ReadAt(Start, Into.data(), static_cast<std::int64_t>(Into.size()));
      },
      Stream.Size(), FrameLength, Position);
}

THexDump BuildHexDump(const THexBytes& Read, std::int64_t Size, std::int64_t FrameLength, std::int64_t Position) {
  THexDump Dump;
  if (FrameLength <= 0) {
    Dump.Label = "Frame 0 / 0";
    return Dump;
  }
  Dump.Label = "Frame " + std::to_string(Position / FrameLength) + " / " + std::to_string(Size / FrameLength);

  const std::int64_t Header = HexDumpHeaderLength(FrameLength);
  const std::int64_t InFrame = Position % FrameLength;
  const std::int64_t FrameStart = Position - InFrame;
  // Compared as an offset inside the BaseFrame so that positions near the end
  // of the range cannot overflow.
  std::int64_t Start = InFrame < Header ? FrameStart : FrameStart + Header;
  if (Start < 0) Start = 0;
  std::int64_t Length = FrameLength - Header;
  if (Length >= Size - Start) Length = Size - Start;
  Length = std::min(Length, HexDumpBufferSize);
  Dump.Start = Start;
  if (Length <= 0) return Dump;

  std::vector<std::uint8_t> Buffer(static_cast<std::size_t>(Length));
  if (!Read(Start, Buffer)) return Dump;
  Dump.Length = Length;

  const std::int64_t LineCount = (Length - 1) / BytesPerLine + 1;
  Dump.Lines.reserve(static_cast<std::size_t>(LineCount));
  for (std::int64_t K = 0; K < LineCount; ++K) {
    std::string Line;
    Line.reserve(AsciiColumn + BytesPerLine + 8);
    AppendOffset(Line, Start + BytesPerLine * K);
    Line += "   ";
    for (std::int64_t J = BytesPerLine * K; J < BytesPerLine * (K + 1); ++J) {
      if (J < Length) {
        if (Start + J == Position) {
          Dump.MarkLine = static_cast<int>(K);
          Dump.MarkColumn = static_cast<int>(Line.size());
        }
        AppendHexByte(Line, Buffer[static_cast<std::size_t>(J)]);
      } else {
        Line += "  ";
      }
      if (J % 2 == 1) Line += "  ";
    }
    if (Line.size() < AsciiColumn) Line.append(AsciiColumn - Line.size(), ' ');
    for (std::int64_t J = BytesPerLine * K; J < std::min(BytesPerLine * (K + 1), Length); ++J) {
      const std::uint8_t Byte = Buffer[static_cast<std::size_t>(J)];
      Line += Byte < 32 || Byte > 126 ? '.' : static_cast<char>(Byte);
    }
    Dump.Lines.push_back(std::move(Line));
  }
  return Dump;
}
