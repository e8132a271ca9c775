#include <gtest/gtest.h>

#include <random>

#include "LogRecorder.h"
#include "StructureText.h"
#include "TempDir.h"
#include "common/Convert.h"
#include "data/Data.h"
#include "structure/QuorinFramesDefinition.h"

namespace {

// Loads a structure and reads a packet file with it; returns the roots made.
std::int64_t DecodeFile(const TTempDir& Dir, const std::string& Structure, const std::vector<std::uint8_t>& Packet) {
  std::vector<std::string> Messages;
  TQuorinFramesDefinition Definition(Dir.Write("h.structure", Structure), Messages);
  if (!Definition.Loaded) return -1;
  TData Data(Dir.Write("h.dat", Packet), Definition);
  Data.StartTracking();
  return Data.FrameCount();
}

}  // namespace

TEST(HostileInput, RandomPacketBytesDecodeUnderTheDemoStructure) {
  TTempDir Dir;
  TLogRecorder Quiet;
  std::ifstream In(std::string(VOREX_DEMO_DIR) + "/demo.structure", std::ios::binary);
  const std::string Demo((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  std::mt19937 Random(7);
  for (const std::size_t Size : {0u, 1u, 3u, 281u, 280u * 40 + 17}) {
    std::vector<std::uint8_t> Bytes(Size);
    for (auto& B : Bytes) B = static_cast<std::uint8_t>(Random());
    // Give every BaseFrame the marker so that random bytes reach the decoder.
    for (std::size_t At = 0; At + 4 <= Size; At += 280)
      Bytes[At] = 0xCF, Bytes[At + 1] = 0x1A, Bytes[At + 2] = 0x1D, Bytes[At + 3] = 0xFC;
    EXPECT_EQ(DecodeFile(Dir, Demo, Bytes), static_cast<std::int64_t>(Size / 280));
  }
  EXPECT_EQ(DecodeFile(Dir, Demo, std::vector<std::uint8_t>(280 * 3, 0xFF)), 0);
}

TEST(HostileInput, FieldsAndSubframesFarOutsideTheFrameReadNothing) {
  TTempDir Dir;
  TLogRecorder Log;
  const std::string Structure = Lines({
      "[BaseFrame:8]",
      Row({"2147483647,7", "2", "NUMBER", "FAR", "FAR*2"}),
      Row({"1,-9", "0,-3", "NUMBER", "NEG", "NEG"}),
      Row({"0", "-2147483648", "TEXT", "MSG", "MSG"}),
      Row({"4", "70000", "TEXT", "LONG", "LONG"}),
      Row({"2147483647", "1", "SUBFRAME", "Far", "x"}),
      Row({"-2147483648", "1", "SUBFRAME", "Far", "x"}),
      "[Far:1]",
      Row({"0", "1", "NUMBER", "F", "F"}),
  });
  EXPECT_EQ(DecodeFile(Dir, Structure, std::vector<std::uint8_t>(24, 1)), 3);
  EXPECT_TRUE(Log.Has(llError, "Read error occured."));
  EXPECT_TRUE(Log.Has(llError, "ExtractInt: Negative bit position or length! Returning 65535. Check structure! (" +
                                   Dir.File("h.structure") + ", line 3)"));
}

TEST(HostileInput, LongAndOddStructureLinesLoad) {
  TTempDir Dir;
  TLogRecorder Quiet;
  std::vector<std::string> Messages;
  const std::string Huge(1 << 20, 'A');
  std::string Text = "[templates:0]\n" + Row({"T", "<T><T>VAR"}) + "\n";
  for (int I = 0; I < 40; ++I) Text += Row({"T", "<T><T>"}) + "\n";
  Text += "[BaseFrame:4]\r\n" + Row({"0", "1", "NUMBER", "A", "<T>"}) + "\n" + Huge + "\n" +
          Row({"0", "1", "NUMBER", std::string("B\0C", 3), Huge}) + "\n";
  TQuorinFramesDefinition D(Dir.Write("odd.structure", Text), Messages);
  EXPECT_TRUE(D.Loaded);
  ASSERT_EQ(D.Entries.size(), 4u);
  EXPECT_EQ(D.Entries[2].Transform.size(), 255u);
  EXPECT_EQ(D.Entries[3].VarName, std::string("B\0C", 3));
}

TEST(HostileInput, StructureLinesAreLoggedWithControlBytesEscapedAndCut) {
  TLogRecorder Log;
  std::vector<std::string> Messages;
  const std::string Text =
      Lines({"[F\x01:1]", "stray", Row({"0", "1", "T\x7FY", "A", "A"}), "[" + std::string(300, 'L') + "]"});
  EXPECT_FALSE(TQuorinFramesDefinition(TStructureText{Text, "h.structure"}, Messages).Loaded);
  EXPECT_EQ(Log.Lines(),
            (std::vector<std::string>{"[Info] Parsing h.structure ...",
                                      "[Warn] Wrong amount of fields in line 2 (1), ignoring for Frame \"F\\x01\" ! "
                                      "(h.structure, line 2)",
                                      "[Warn] Wrong variable type (T\\x7FY) in line 3, ignoring! (h.structure, line 3)",
                                      "[Error] No framelength found in [" + std::string(200, 'L') +
                                          "...], frame definition not loaded! (h.structure, line 4)"}));
}

TEST(HostileInput, StructureAndPacketFilesThatAreNotWhatTheySeemSayWhy) {
  TTempDir Dir;
  TLogRecorder Log;
  // Lone CRs do not end lines: the file is one line of variable fields, and no BaseFrame follows.
  EXPECT_EQ(DecodeFile(Dir, "[BaseFrame:6]\r0\t2\tNUMBER\tA\tA\r2\t2\tNUMBER\tB\tB\r", {0x1A, 0xCF, 0, 0, 0, 1}), 0);
  EXPECT_TRUE(
      Log.Has(llWarn, "Wrong amount of fields in line 1 (9), ignoring! (" + Dir.File("h.structure") + ", line 1)"));
  EXPECT_TRUE(Log.Has(llError, "Invalid BaseFrame length 0, no data decoded."));

  // All-zero BaseFrames lack the sync marker: every one is skipped with its position.
  Log.Clear();
  std::ifstream In(std::string(VOREX_DEMO_DIR) + "/demo.structure", std::ios::binary);
  const std::string Demo((std::istreambuf_iterator<char>(In)), std::istreambuf_iterator<char>());
  EXPECT_EQ(DecodeFile(Dir, Demo, std::vector<std::uint8_t>(280 * 3, 0)), 0);
  EXPECT_TRUE(Log.Has(llWarn, "BaseFrame at Position 560 has invalid ID! Skipping..."));

  // A position beyond 32 bits is a conversion error that ends the load.
  std::vector<std::string> Messages;
  EXPECT_THROW(
      TQuorinFramesDefinition(Dir.Write("o.structure", "[BaseFrame:6]\n99999999999\t2\tNUMBER\tA\tA\n"), Messages),
      EConvertError);
}
