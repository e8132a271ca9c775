#include <gtest/gtest.h>

#include <sstream>

#include "log/RtfWriter.h"

namespace {
std::string RtfDocument(const std::vector<TRtfLine>& Lines, const std::string& FontName, int PointSize) {
  std::ostringstream Out;
  WriteRtfDocument(Out, Lines, FontName, PointSize);
  return Out.str();
}

const std::string Header = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n";

// The paragraph text written for one black line.
std::string Written(const std::string& Text) {
  const std::string Document = RtfDocument({{Text}}, "Arial", 10);
  const std::string Start = Header + "{\\colortbl ;\\red0\\green0\\blue0;}\r\n\\uc1\\pard\\f0\\fs20\r\n\\cf1 ";
  const std::string End = "\\par\r\n}\r\n";
  if (Document.compare(0, Start.size(), Start) != 0 || Document.size() < Start.size() + End.size() ||
      Document.compare(Document.size() - End.size(), End.size(), End) != 0)
    return "unexpected document: " + Document;
  return Document.substr(Start.size(), Document.size() - Start.size() - End.size());
}
}  // namespace

TEST(RtfWriter, WritesEachLineInItsColourAndWeight) {
  const std::vector<TRtfLine> Lines = {{"Error: disk full", 255, 0, 0, true}, {"Loaded 3 files", 128, 128, 128, false}};
  EXPECT_EQ(RtfDocument(Lines, "Courier New", 9),
            "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Courier New;}}\r\n"
            "{\\colortbl ;\\red255\\green0\\blue0;\\red128\\green128\\blue128;}\r\n"
            "\\uc1\\pard\\f0\\fs18\r\n"
            "\\cf1\\b Error: disk full\\b0\\par\r\n"
            "\\cf2 Loaded 3 files\\par\r\n"
            "}\r\n");
}

TEST(RtfWriter, ListsEachColourOnceInOrderOfFirstUse) {
  const std::vector<TRtfLine> Lines = {{"a", 0, 0, 255}, {"b", 1, 2, 3}, {"c", 0, 0, 255, true}, {"", 1, 2, 3}};
  EXPECT_EQ(RtfDocument(Lines, "Arial", 10),
            Header +
                "{\\colortbl ;\\red0\\green0\\blue255;\\red1\\green2\\blue3;}\r\n\\uc1\\pard\\f0\\fs20\r\n"
                "\\cf1 a\\par\r\n\\cf2 b\\par\r\n\\cf1\\b c\\b0\\par\r\n\\cf2 \\par\r\n}\r\n");
}

TEST(RtfWriter, WritesAnEmptyListAsAnEmptyDocument) {
  EXPECT_EQ(RtfDocument({}, "Arial", 12), Header + "{\\colortbl ;}\r\n\\uc1\\pard\\f0\\fs24\r\n}\r\n");
}

TEST(RtfWriter, EscapesGroupCharactersAndControlCharacters) {
  EXPECT_EQ(Written("a\\b{c}d"), "a\\\\b\\{c\\}d");
  EXPECT_EQ(Written("x\ty\r\n\x01z\x7F"), "x\\tab yz");
  EXPECT_EQ(Written(" lead"), " lead");  // after the delimiter of \cf1
}

TEST(RtfWriter, WritesNonAsciiAsUtf16Units) {
  EXPECT_EQ(Written("\xC3\xA4"), "\\u228?");
  EXPECT_EQ(Written("5 \xE2\x82\xAC"), "5 \\u8364?");
  EXPECT_EQ(Written("\xEF\xBF\xBD"), "\\u-3?");
  EXPECT_EQ(Written("\xF0\x9F\x98\x80!"), "\\u-10179?\\u-8704?!");
}

TEST(RtfWriter, TakesBytesThatAreNotUtf8AsLatin1) {
  EXPECT_EQ(Written("K\xE4se"), "K\\u228?se");           // cut-short sequence
  EXPECT_EQ(Written("\xC0\xAF"), "\\u192?\\u175?");      // overlong '/'
  EXPECT_EQ(Written("\xED\xA0\x80"), "\\u237?\\u160?");  // a surrogate; 0x80 is a control character
  EXPECT_EQ(Written("\xF4\x90\x80\x80"), "\\u244?");     // beyond U+10FFFF
  EXPECT_EQ(Written("\xE4"), "\\u228?");
}
