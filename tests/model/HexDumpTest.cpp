#include <gtest/gtest.h>

#include <climits>

#include "browser/HexDump.h"

namespace {

// Size bytes where the byte at offset I is I mod 256.
TMemoryStream Counting(std::int64_t Size) {
  TMemoryStream Stream;
  Stream.Bytes.resize(static_cast<std::size_t>(Size));
  for (std::size_t I = 0; I < Stream.Bytes.size(); ++I) Stream.Bytes[I] = static_cast<std::uint8_t>(I);
  return Stream;
}

// The two hex digits at the mark.
std::string Marked(const THexDump& Dump) {
  if (Dump.MarkLine < 0 || Dump.MarkLine >= static_cast<int>(Dump.Lines.size())) return "";
  return Dump.Lines[static_cast<std::size_t>(Dump.MarkLine)].substr(static_cast<std::size_t>(Dump.MarkColumn), 2);
}

}  // namespace

TEST(HexDump, SkipsTheHeaderOnlyWhenTheSelectedByteLiesBehindIt) {
  EXPECT_EQ(HexDumpHeaderLength(280), 22);
  EXPECT_EQ(HexDumpHeaderLength(282), 22);
  EXPECT_EQ(HexDumpHeaderLength(340), 82);

  const TMemoryStream Stream = Counting(3 * 280);
  THexDump Dump = BuildHexDump(Stream, 280, 300);
  EXPECT_EQ(Dump.Label, "Frame 1 / 3");
  EXPECT_EQ(Dump.Start, 280);
  EXPECT_EQ(Dump.Length, 258);
  EXPECT_EQ(Dump.Lines, (std::vector<std::string>{
                            "000118   1819  1A1B  1C1D  1E1F  2021  2223  2425  2627       ........ !\"#$%&'",
                            "000128   2829  2A2B  2C2D  2E2F  3031  3233  3435  3637       ()*+,-./01234567",
                            "000138   3839  3A3B  3C3D  3E3F  4041  4243  4445  4647       89:;<=>?@ABCDEFG",
                            "000148   4849  4A4B  4C4D  4E4F  5051  5253  5455  5657       HIJKLMNOPQRSTUVW",
                            "000158   5859  5A5B  5C5D  5E5F  6061  6263  6465  6667       XYZ[\\]^_`abcdefg",
                            "000168   6869  6A6B  6C6D  6E6F  7071  7273  7475  7677       hijklmnopqrstuvw",
                            "000178   7879  7A7B  7C7D  7E7F  8081  8283  8485  8687       xyz{|}~.........",
                            "000188   8889  8A8B  8C8D  8E8F  9091  9293  9495  9697       ................",
                            "000198   9899  9A9B  9C9D  9E9F  A0A1  A2A3  A4A5  A6A7       ................",
                            "0001A8   A8A9  AAAB  ACAD  AEAF  B0B1  B2B3  B4B5  B6B7       ................",
                            "0001B8   B8B9  BABB  BCBD  BEBF  C0C1  C2C3  C4C5  C6C7       ................",
                            "0001C8   C8C9  CACB  CCCD  CECF  D0D1  D2D3  D4D5  D6D7       ................",
                            "0001D8   D8D9  DADB  DCDD  DEDF  E0E1  E2E3  E4E5  E6E7       ................",
                            "0001E8   E8E9  EAEB  ECED  EEEF  F0F1  F2F3  F4F5  F6F7       ................",
                            "0001F8   F8F9  FAFB  FCFD  FEFF  0001  0203  0405  0607       ................",
                            "000208   0809  0A0B  0C0D  0E0F  1011  1213  1415  1617       ................",
                            "000218   1819                                                 ..",
                        }));
  // Byte 300 (0x2C) is the fifth of the second line.
  EXPECT_EQ(Dump.MarkLine, 1);
  EXPECT_EQ(Dump.MarkColumn, 21);

  Dump = BuildHexDump(Stream, 280, 330);
  EXPECT_EQ(Dump.Label, "Frame 1 / 3");
  EXPECT_EQ(Dump.Start, 302);
  EXPECT_EQ(Dump.Length, 258);
  EXPECT_EQ(Dump.Lines, (std::vector<std::string>{
                            "00012E   2E2F  3031  3233  3435  3637  3839  3A3B  3C3D       ./0123456789:;<=",
                            "00013E   3E3F  4041  4243  4445  4647  4849  4A4B  4C4D       >?@ABCDEFGHIJKLM",
                            "00014E   4E4F  5051  5253  5455  5657  5859  5A5B  5C5D       NOPQRSTUVWXYZ[\\]",
                            "00015E   5E5F  6061  6263  6465  6667  6869  6A6B  6C6D       ^_`abcdefghijklm",
                            "00016E   6E6F  7071  7273  7475  7677  7879  7A7B  7C7D       nopqrstuvwxyz{|}",
                            "00017E   7E7F  8081  8283  8485  8687  8889  8A8B  8C8D       ~...............",
                            "00018E   8E8F  9091  9293  9495  9697  9899  9A9B  9C9D       ................",
                            "00019E   9E9F  A0A1  A2A3  A4A5  A6A7  A8A9  AAAB  ACAD       ................",
                            "0001AE   AEAF  B0B1  B2B3  B4B5  B6B7  B8B9  BABB  BCBD       ................",
                            "0001BE   BEBF  C0C1  C2C3  C4C5  C6C7  C8C9  CACB  CCCD       ................",
                            "0001CE   CECF  D0D1  D2D3  D4D5  D6D7  D8D9  DADB  DCDD       ................",
                            "0001DE   DEDF  E0E1  E2E3  E4E5  E6E7  E8E9  EAEB  ECED       ................",
                            "0001EE   EEEF  F0F1  F2F3  F4F5  F6F7  F8F9  FAFB  FCFD       ................",
                            "0001FE   FEFF  0001  0203  0405  0607  0809  0A0B  0C0D       ................",
                            "00020E   0E0F  1011  1213  1415  1617  1819  1A1B  1C1D       ................",
                            "00021E   1E1F  2021  2223  2425  2627  2829  2A2B  2C2D       .. !\"#$%&'()*+,-",
                            "00022E   2E2F                                                 ./",
                        }));
  // Byte 330 (0x4A) is the thirteenth of the second line.
  EXPECT_EQ(Dump.MarkLine, 1);
  EXPECT_EQ(Dump.MarkColumn, 45);
}

TEST(HexDump, SkipsEightyTwoHeaderBytesOfThreeHundredFortyByteFrames) {
  const TMemoryStream Stream = Counting(2 * 340);
  THexDump Dump = BuildHexDump(Stream, 340, 440);
  EXPECT_EQ(Dump.Label, "Frame 1 / 2");
  EXPECT_EQ(Dump.Start, 422);
  EXPECT_EQ(Dump.Length, 258);
  ASSERT_EQ(Dump.Lines.size(), 17u);
  EXPECT_EQ(Dump.Lines.front(), "0001A6   A6A7  A8A9  AAAB  ACAD  AEAF  B0B1  B2B3  B4B5       ................");
  EXPECT_EQ(Dump.Lines.back(), "0002A6   A6A7                                                 ..");
  EXPECT_EQ(Dump.MarkLine, 1);
  EXPECT_EQ(Dump.MarkColumn, 15);
  EXPECT_EQ(Marked(Dump), "B8");

  // Inside those 82 bytes the dump starts with the frame.
  Dump = BuildHexDump(Stream, 340, 340 + 81);
  EXPECT_EQ(Dump.Start, 340);
  EXPECT_EQ(Dump.Length, 258);
  EXPECT_EQ(Marked(Dump), "A5");
}

TEST(HexDump, MarksTheSelectedBytesDigitsAtEitherPlaceOfAPair) {
  const TMemoryStream Stream = Counting(3 * 280);
  THexDump Dump = BuildHexDump(Stream, 280, 301);
  EXPECT_EQ(Dump.MarkLine, 1);
  EXPECT_EQ(Dump.MarkColumn, 23);
  EXPECT_EQ(Marked(Dump), "2D");

  // The first and the last byte of a window.
  Dump = BuildHexDump(Stream, 280, 280);
  EXPECT_EQ(Dump.MarkLine, 0);
  EXPECT_EQ(Dump.MarkColumn, 9);
  Dump = BuildHexDump(Stream, 280, 559);
  EXPECT_EQ(Dump.MarkLine, 16);
  EXPECT_EQ(Dump.MarkColumn, 11);
  EXPECT_EQ(Marked(Dump), "2F");
}

TEST(HexDump, CutsTheWindowAtTheEndOfAStreamThatEndsInsideABaseFrame) {
  const TMemoryStream Stream = Counting(280 + 100);
  const THexDump Dump = BuildHexDump(Stream, 280, 330);
  EXPECT_EQ(Dump.Label, "Frame 1 / 1");
  EXPECT_EQ(Dump.Start, 302);
  EXPECT_EQ(Dump.Length, 78);
  EXPECT_EQ(Dump.Lines, (std::vector<std::string>{
                            "00012E   2E2F  3031  3233  3435  3637  3839  3A3B  3C3D       ./0123456789:;<=",
                            "00013E   3E3F  4041  4243  4445  4647  4849  4A4B  4C4D       >?@ABCDEFGHIJKLM",
                            "00014E   4E4F  5051  5253  5455  5657  5859  5A5B  5C5D       NOPQRSTUVWXYZ[\\]",
                            "00015E   5E5F  6061  6263  6465  6667  6869  6A6B  6C6D       ^_`abcdefghijklm",
                            "00016E   6E6F  7071  7273  7475  7677  7879  7A7B             nopqrstuvwxyz{",
                        }));
  EXPECT_EQ(Marked(Dump), "4A");
}

TEST(HexDump, KeepsTheAsciiColumnInPlaceWhenTheOffsetGrowsASeventhDigit) {
  const TMemoryStream Stream = Counting(59919 * 280);
  const THexDump Dump = BuildHexDump(Stream, 280, 16777240);
  EXPECT_EQ(Dump.Label, "Frame 59918 / 59919");
  ASSERT_EQ(Dump.Lines.size(), 17u);
  EXPECT_EQ(Dump.Lines[9], "FFFFF6   F6F7  F8F9  FAFB  FCFD  FEFF  0001  0203  0405       ................");
  EXPECT_EQ(Dump.Lines[10], "1000006   0607  0809  0A0B  0C0D  0E0F  1011  1213  1415      ................");
  EXPECT_EQ(Dump.Lines[11], "1000016   1617  1819  1A1B  1C1D  1E1F  2021  2223  2425      .......... !\"#$%");
  EXPECT_EQ(Dump.MarkLine, 11);
  EXPECT_EQ(Dump.MarkColumn, 16);
  EXPECT_EQ(Marked(Dump), "18");
}

TEST(HexDump, ShowsAtMostOneBufferOfBytes) {
  const TMemoryStream Stream = Counting(100000);
  THexDump Dump = BuildHexDump(Stream, 100000, 50000);
  EXPECT_EQ(Dump.Start, 22);
  EXPECT_EQ(Dump.Length, HexDumpBufferSize);
  ASSERT_EQ(Dump.Lines.size(), 4096u);
  EXPECT_EQ(Dump.Lines.back(), "010006   0607  0809  0A0B  0C0D  0E0F  1011  1213  1415       ................");
  EXPECT_EQ(Dump.MarkLine, 3123);
  EXPECT_EQ(Marked(Dump), "50");

  // A selected byte beyond the buffer is not marked.
  Dump = BuildHexDump(Stream, 100000, 90000);
  EXPECT_EQ(Dump.Lines.size(), 4096u);
  EXPECT_EQ(Dump.MarkLine, -1);
  EXPECT_EQ(Dump.MarkColumn, -1);
}

TEST(HexDump, ShowsNothingForPositionsAndLengthsWithoutBytes) {
  const TMemoryStream Stream = Counting(3 * 280);

  for (const std::int64_t Length : {std::int64_t{0}, std::int64_t{-280}}) {
    const THexDump Dump = BuildHexDump(Stream, Length, 300);
    EXPECT_EQ(Dump.Label, "Frame 0 / 0");
    EXPECT_TRUE(Dump.Lines.empty());
    EXPECT_EQ(Dump.MarkLine, -1);
  }

  // Beyond the stream: the frame number is still reported.
  THexDump Dump = BuildHexDump(Stream, 280, 5000);
  EXPECT_EQ(Dump.Label, "Frame 17 / 3");
  EXPECT_TRUE(Dump.Lines.empty());
  EXPECT_EQ(Dump.Length, 0);
  EXPECT_EQ(Dump.MarkLine, -1);

  // At the stream's end the window is empty.
  Dump = BuildHexDump(Stream, 280, 840);
  EXPECT_EQ(Dump.Label, "Frame 3 / 3");
  EXPECT_TRUE(Dump.Lines.empty());

  Dump = BuildHexDump(Stream, 280, INT64_MAX);
  EXPECT_TRUE(Dump.Lines.empty());

  // Frames shorter than their header leave no window.
  Dump = BuildHexDump(Stream, 10, 15);
  EXPECT_EQ(Dump.Label, "Frame 1 / 84");
  EXPECT_TRUE(Dump.Lines.empty());

  EXPECT_TRUE(BuildHexDump(TMemoryStream(), 280, 0).Lines.empty());
}

TEST(HexDump, ShowsTheFirstBaseFrameForNegativePositions) {
  const TMemoryStream Stream = Counting(3 * 280);
  const THexDump Dump = BuildHexDump(Stream, 280, -5);
  EXPECT_EQ(Dump.Label, "Frame 0 / 3");
  EXPECT_EQ(Dump.Start, 0);
  EXPECT_EQ(Dump.Length, 258);
  ASSERT_EQ(Dump.Lines.size(), 17u);
  EXPECT_EQ(Dump.Lines.front(), "000000   0001  0203  0405  0607  0809  0A0B  0C0D  0E0F       ................");
  EXPECT_EQ(Dump.MarkLine, -1);
}
