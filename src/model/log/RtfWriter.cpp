#include "log/RtfWriter.h"

#include <array>
#include <map>

namespace {

// Decodes the UTF-8 sequence at I (advancing I); a byte that does not start a
// valid sequence (overlong, surrogate, beyond U+10FFFF, cut short) is taken
// as the Latin-1 character of the same value.
std::uint32_t NextCodePoint(const std::string& Text, std::size_t& I) {
  const auto Byte = [&](std::size_t K) { return static_cast<std::uint8_t>(Text[K]); };
  const std::uint8_t Lead = Byte(I);
  std::size_t Length = 0;
  std::uint32_t Min = 0, CodePoint = 0;
  if (Lead >= 0xC2 && Lead <= 0xDF) Length = 2, Min = 0x80, CodePoint = Lead & 0x1Fu;
  else if (Lead >= 0xE0 && Lead <= 0xEF) Length = 3, Min = 0x800, CodePoint = Lead & 0x0Fu;
  else if (Lead >= 0xF0 && Lead <= 0xF4) Length = 4, Min = 0x10000, CodePoint = Lead & 0x07u;
  if (Length == 0 || I + Length > Text.size()) {
    ++I;
    return Lead;
  }
  for (std::size_t K = 1; K < Length; ++K) {
    if ((Byte(I + K) & 0xC0) != 0x80) {
      ++I;
      return Lead;
    }
    CodePoint = CodePoint << 6 | (Byte(I + K) & 0x3Fu);
  }
  if (CodePoint < Min || CodePoint > 0x10FFFF || (CodePoint >= 0xD800 && CodePoint <= 0xDFFF)) {
    ++I;
    return Lead;
  }
  I += Length;
  return CodePoint;
}

void AppendUnicode(std::string& Out, std::uint32_t Unit) {
  Out += "\\u" + std::to_string(static_cast<std::int16_t>(static_cast<std::uint16_t>(Unit))) + "?";
}

std::string Escaped(const std::string& Text) {
  std::string Out;
  for (std::size_t I = 0; I < Text.size();) {
    const std::uint32_t C = NextCodePoint(Text, I);
    if (C == '\\' || C == '{' || C == '}') {
      Out += '\\';
      Out += static_cast<char>(C);
    } else if (C == '\t') {
      Out += "\\tab ";
    } else if (C < 0x20 || (C >= 0x7F && C <= 0x9F)) {
      // Other control characters have no place in a paragraph.
    } else if (C < 0x7F) {
      Out += static_cast<char>(C);
    } else if (C <= 0xFFFF) {
      AppendUnicode(Out, C);
    } else {
      AppendUnicode(Out, 0xD800 + ((C - 0x10000) >> 10));
      AppendUnicode(Out, 0xDC00 + ((C - 0x10000) & 0x3FF));
    }
  }
  return Out;
}

}  // namespace

void WriteRtfDocument(std::ostream& Out, const std::vector<TRtfLine>& Lines, const std::string& FontName,
                      int PointSize) {
  using TColour = std::array<std::uint8_t, 3>;
  std::vector<TColour> Colours;
  std::map<TColour, std::size_t> TableIndex;  // entry 0 is the default colour
  std::vector<std::size_t> ColourOf;
  for (const TRtfLine& Line : Lines) {
    const TColour Colour{Line.Red, Line.Green, Line.Blue};
    const auto [Entry, Added] = TableIndex.emplace(Colour, Colours.size() + 1);
    if (Added) Colours.push_back(Colour);
    ColourOf.push_back(Entry->second);
  }

  std::string Text = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss " + Escaped(FontName) + ";}}\r\n";
  Text += "{\\colortbl ;";
  for (const TColour& C : Colours)
    Text += "\\red" + std::to_string(C[0]) + "\\green" + std::to_string(C[1]) + "\\blue" + std::to_string(C[2]) + ";";
  Text += "}\r\n";
  Text += "\\uc1\\pard\\f0\\fs" + std::to_string(2 * PointSize) + "\r\n";
  for (std::size_t K = 0; K < Lines.size() && Out; ++K) {
    Text += "\\cf" + std::to_string(ColourOf[K]);
    Text += Lines[K].Bold ? "\\b " + Escaped(Lines[K].Text) + "\\b0" : " " + Escaped(Lines[K].Text);
    Text += "\\par\r\n";
    Out.write(Text.data(), static_cast<std::streamsize>(Text.size()));
    Text.clear();
  }
  Text += "}\r\n";
  Out.write(Text.data(), static_cast<std::streamsize>(Text.size()));
}
