#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "TempDir.h"
#include "sim/SimGenerator.h"

namespace {

// 16-bit word at image position Pos (even) of an on-disk BaseFrame, whose word bytes are swapped.
std::uint32_t ImageWord(const std::vector<std::uint8_t>& Frame, std::size_t Pos) {
  return std::uint32_t{Frame[Pos + 1]} << 8 | Frame[Pos];
}

// On-board time in seconds from the data field header (seconds high/low word, fine time).
double OnBoardSeconds(const std::vector<std::uint8_t>& Frame) {
  const std::uint32_t Seconds = ImageWord(Frame, 10) << 16 | ImageWord(Frame, 12);
  return Seconds + ImageWord(Frame, 14) / 65536.0;
}

std::vector<std::uint8_t> ReadFile(const std::filesystem::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

}  // namespace

TEST(SimGenerator, SameSeedGivesSameFramesOtherSeedDiffers) {
  TSimGenerator A(7), B(7), C(8);
  bool Differs = false;
  for (int K = 0; K < 120; ++K) {
    const std::vector<std::uint8_t> Fa = A.NextBaseFrame();
    ASSERT_EQ(Fa, B.NextBaseFrame()) << "BaseFrame " << K;
    if (Fa != C.NextBaseFrame()) Differs = true;
  }
  EXPECT_TRUE(Differs);
  EXPECT_EQ(A.FrameCount(), 120);
}

TEST(SimGenerator, FramesAreBaseFrameLongWithSwappedSyncMarker) {
  TSimGenerator Generator;
  for (int K = 0; K < 100; ++K) {
    const std::vector<std::uint8_t> Frame = Generator.NextBaseFrame();
    ASSERT_EQ(Frame.size(), 280u);
    EXPECT_EQ(Frame[0], 0xCF) << "BaseFrame " << K;
    EXPECT_EQ(Frame[1], 0x1A) << "BaseFrame " << K;
    EXPECT_EQ(Frame[2], 0x1D) << "BaseFrame " << K;
    EXPECT_EQ(Frame[3], 0xFC) << "BaseFrame " << K;
  }
}

TEST(SimGenerator, OnBoardTimeAdvancesAboutOneSecondPerFrame) {
  // Long enough for the low seconds word to wrap into the high word.
  TSimGenerator Generator(3);
  double Previous = OnBoardSeconds(Generator.NextBaseFrame());
  const double First = Previous;
  bool HighWordChanged = false;
  const std::uint32_t FirstHigh = static_cast<std::uint32_t>(First) >> 16;
  for (int K = 1; K < 12000; ++K) {
    const double Now = OnBoardSeconds(Generator.NextBaseFrame());
    ASSERT_GT(Now - Previous, 0.7) << "BaseFrame " << K;
    ASSERT_LT(Now - Previous, 1.3) << "BaseFrame " << K;
    if ((static_cast<std::uint32_t>(Now) >> 16) != FirstHigh) HighWordChanged = true;
    Previous = Now;
  }
  EXPECT_TRUE(HighWordChanged);
  EXPECT_NEAR(Previous - First, 11999.0, 1.0);
}

TEST(SimGenerator, DemoPacketFileHoldsTheGeneratedFrames) {
  const TTempDir Dir;
  const std::filesystem::path Path = Dir.File("demo.dat");
  // More frames than one write chunk, so chunk boundaries are covered.
  constexpr std::int64_t Frames = 5000;
  ASSERT_TRUE(WriteDemoPacketFile(Path.string(), Frames, 5));
  const std::vector<std::uint8_t> Data = ReadFile(Path);
  ASSERT_EQ(Data.size(), 280u * Frames);

  TSimGenerator Generator(5);
  for (std::int64_t K = 0; K < Frames; ++K) {
    const std::vector<std::uint8_t> Frame = Generator.NextBaseFrame();
    ASSERT_TRUE(std::equal(Frame.begin(), Frame.end(), Data.begin() + K * 280)) << "BaseFrame " << K;
  }

  // Writing again replaces the file.
  ASSERT_TRUE(WriteDemoPacketFile(Path.string(), 3, 5));
  EXPECT_EQ(std::filesystem::file_size(Path), 280u * 3);

  EXPECT_FALSE(WriteDemoPacketFile((Path / "no" / "such" / "folder.dat").string(), 1));
}

#if defined(VOREX_CLI) && defined(VOREX_DEMO_DIR)
TEST(SimGenerator, DemoStructureDecodesGeneratedDataCleanly) {
  // 700 BaseFrames: every science mode, sub-type and event text of the generator.
  const TTempDir Dir;
  const std::string Data = Dir.File("demo.dat");
  const std::string Log = Dir.File("log.txt");
  ASSERT_TRUE(WriteDemoPacketFile(Data, 700, 11));
  const std::string Command = std::string("\"") + VOREX_CLI + "\" decode \"" + VOREX_DEMO_DIR + "/demo.structure\" \"" +
                              Data + "\" > /dev/null 2> \"" + Log + "\"";
  ASSERT_EQ(std::system(Command.c_str()), 0);

  std::ifstream In(Log);
  std::string Line, Problems;
  int Messages = 0;
  bool Updated = false;
  while (std::getline(In, Line)) {
    if (Line.rfind("[Warn]", 0) == 0 || Line.rfind("[Error]", 0) == 0) Problems += Line + '\n';
    if (Line.rfind("[Message] EVT ", 0) == 0) ++Messages;
    if (Line.rfind("[Info] Update on ", 0) == 0) Updated = true;
  }
  EXPECT_EQ(Problems, "");
  EXPECT_TRUE(Updated);
  EXPECT_EQ(Messages, 700 / 50);
}
#endif
