#pragma once
// A small Rich Text Format writer for the log's coloured lines.
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

struct TRtfLine {
  std::string Text;  // UTF-8; bytes that are not UTF-8 are Latin-1 characters
  std::uint8_t Red = 0, Green = 0, Blue = 0;
  bool Bold = false;
};

// A complete RTF document: one paragraph per line, each in its colour, bold
// where set, in the font FontName of PointSize points. Characters outside
// printable ASCII are written as \uN? (UTF-16), a tab as \tab, other control
// characters are dropped. Lines of the document end with CR LF. Written to
// Out line by line.
void WriteRtfDocument(std::ostream& Out, const std::vector<TRtfLine>& Lines, const std::string& FontName,
                      int PointSize);
