#include <gtest/gtest.h>

#include "LogRecorder.h"
#include "common/Convert.h"
#include "structure/ByteBit.h"

namespace {
TMemoryStream StreamOf(std::vector<std::uint8_t> Bytes) {
  TMemoryStream S;
  S.Bytes.assign(Bytes.begin(), Bytes.end());
  return S;
}
bool operator==(TBitPos A, TBitPos B) { return A.Byte == B.Byte && A.Bit == B.Bit; }
}  // namespace

TEST(ParseBitPos, ReadsByteAndOptionalBit) {
  EXPECT_TRUE(ParseBitPos("5") == (TBitPos{5, 0}));
  EXPECT_TRUE(ParseBitPos("2,4") == (TBitPos{2, 4}));
  EXPECT_TRUE(ParseBitPos("2, 4") == (TBitPos{2, 4}));
  EXPECT_TRUE(ParseBitPos("$10,x3") == (TBitPos{16, 3}));
  EXPECT_TRUE(ParseBitPos("-1") == (TBitPos{-1, 0}));
  EXPECT_THROW(ParseBitPos("2 ,4"), EConvertError);
  EXPECT_THROW(ParseBitPos("2,"), EConvertError);
  EXPECT_THROW(ParseBitPos("1,2,3"), EConvertError);
}

TEST(NormalizeBitPos, CarriesWholeBytesOutOfTheBitPartTowardZero) {
  for (const auto& [In, Out] : std::vector<std::pair<TBitPos, TBitPos>>{
           {{0, 12}, {1, 4}}, {{3, 16}, {5, 0}}, {{2, -9}, {1, -1}}, {{9, 12}, {10, 4}}, {{0, 7}, {0, 7}}}) {
    TBitPos P = In;
    NormalizeBitPos(P);
    EXPECT_TRUE(P == Out) << In.Byte << "," << In.Bit << " -> " << P.Byte << "," << P.Bit;
  }
}

TEST(ExtractInt, ReadsTheSixteenBitWindowOfTheFieldsByteMostSignificantFirst) {
  const TMemoryStream S = StreamOf({0x12, 0x34, 0x56});
  EXPECT_EQ(ExtractInt(S, {0, 4}, {1, 0}), 0x23);
  EXPECT_EQ(ExtractInt(S, {0, 0}, {0, 16}), 0x1234);
  EXPECT_EQ(ExtractInt(S, {0, 0}, {2, 0}), 0x1234);
  EXPECT_EQ(ExtractInt(S, {1, 0}, {2, 0}), 0x3456);
  EXPECT_EQ(ExtractInt(S, {0, 0}, {0, 0}), 0);
  EXPECT_EQ(ExtractInt(S, {0, 12}, {1, 0}), 0x45);
  // Fields in the last byte need no byte after it.
  EXPECT_EQ(ExtractInt(S, {2, 0}, {1, 0}), 0x56);
  EXPECT_EQ(ExtractInt(S, {2, 4}, {0, 4}), 0x6);
  EXPECT_EQ(ExtractInt(S, {2, 7}, {0, 1}), 0);
  EXPECT_EQ(ExtractInt(S, {2, 0}, {0, 0}), 0);
  // Bits beyond the window read as zeros.
  EXPECT_EQ(ExtractInt(S, {0, 7}, {1, 4}), 0x1A0);
}

TEST(ExtractInt, FindsEveryBitAtEveryOffset) {
  for (int Bit = 0; Bit < 16; ++Bit) {
    const std::uint16_t Word = static_cast<std::uint16_t>(0x8000 >> Bit);
    const TMemoryStream S = StreamOf({static_cast<std::uint8_t>(Word >> 8), static_cast<std::uint8_t>(Word), 0});
    for (int Offset = 0; Offset < 16; ++Offset)
      EXPECT_EQ(ExtractInt(S, {0, Offset}, {0, 1}), Offset == Bit ? 1 : 0) << Bit << " at " << Offset;
    // A 1-bit field at 2,7 style positions: the least significant bit of its byte.
    EXPECT_EQ(ExtractInt(S, {Bit / 8, 7}, {0, 1}), Bit == 7 || Bit == 15 ? 1 : 0);
  }
}

TEST(ExtractInt, ReadsRelativeToTheStreamPositionAndKeepsIt) {
  TMemoryStream S = StreamOf({0, 0, 0xAB, 0xCD});
  S.Position = 2;
  EXPECT_EQ(ExtractInt(S, {0, 0}, {1, 0}), 0xAB);
  EXPECT_EQ(S.Position, 2);
}

TEST(ExtractInt, Returns65535WithAnErrorForBadFields) {
  TLogRecorder Log;
  const TMemoryStream S = StreamOf({1, 2, 3});
  EXPECT_EQ(ExtractInt(S, {0, 0}, {2, 1}), 65535);
  EXPECT_EQ(ExtractInt(S, {2, 4}, {1, 0}), 65535);
  EXPECT_EQ(ExtractInt(S, {3, 0}, {0, 1}), 65535);
  EXPECT_EQ(ExtractInt(S, {-1, 0}, {1, 0}), 65535);
  EXPECT_EQ(ExtractInt(S, {2147483647, 0}, {1, 0}), 65535);
  EXPECT_EQ(ExtractInt(S, {0, -1}, {1, 0}), 65535);
  EXPECT_EQ(ExtractInt(S, {0, 0}, {-1, 0}), 65535);
  EXPECT_EQ(
      Log.Lines(),
      (std::vector<std::string>{
          "[Error] ExtractInt: Length exceeds 16bit! Returning 65535. Check structure!", "[Error] Read error occured.",
          "[Error] Read error occured.", "[Error] Read error occured.", "[Error] Read error occured.",
          "[Error] ExtractInt: Negative bit position or length! Returning 65535. Check structure!",
          "[Error] ExtractInt: Negative bit position or length! Returning 65535. Check structure!"}));
}

TEST(ReadMessage, EndsTheTextAtTheFirstZeroByte) {
  const TMemoryStream S = StreamOf({'x', 'A', 'B', 0, 'C', 'D', 'E'});
  EXPECT_EQ(ReadMessage(S, {1, 0}, {5, 0}), "AB");
  EXPECT_EQ(ReadMessage(S, {4, 3}, {3, 0}), "CDE");
  EXPECT_EQ(ReadMessage(S, {0, 0}, {0, 0}), "");
}

TEST(ReadMessage, ReportsAMessageBeyondTheData) {
  TLogRecorder Log;
  const TMemoryStream S = StreamOf({'A', 'B'});
  EXPECT_EQ(ReadMessage(S, {1, 0}, {2, 0}), "-Could not read message-");
  EXPECT_EQ(ReadMessage(S, {-5, 0}, {1, 0}), "-Could not read message-");
  EXPECT_EQ(Log.Lines(), (std::vector<std::string>{"[Error] Read error occured.", "[Error] Read error occured."}));
}

TEST(ReadMessage, CutsLengthsAbove65000Bytes) {
  std::vector<std::uint8_t> Bytes(70000, 'x');
  const TMemoryStream S = StreamOf(Bytes);
  EXPECT_EQ(ReadMessage(S, {0, 0}, {70000, 0}).size(), 65000u);
}
