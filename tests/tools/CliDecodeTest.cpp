#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "FileSizeLimit.h"
#include "LogRecorder.h"
#include "RunCommand.h"
#include "StructureText.h"
#include "TempDir.h"
#include "browser/BrowserExport.h"
#include "cli/DecodeCommand.h"
#include "data/Data.h"
#include "structure/QuorinFramesDefinition.h"

namespace {

TCommandResult Decode(const std::string& Args) { return RunCommand(std::string(VOREX_CLI) + " decode " + Args); }

std::string ReadFile(const std::string& Name) {
  std::ifstream F(Name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(F), std::istreambuf_iterator<char>());
}

// Two 282-byte BaseFrames on disk (words swapped), for a 282-byte structure.
std::string PacketFile(const TTempDir& Dir, const std::string& Name, std::uint8_t First) {
  std::vector<std::uint8_t> Image(2 * 282);
  for (int F = 0; F < 2; ++F) {
    std::uint8_t* Frame = &Image[static_cast<std::size_t>(F * 282)];
    Frame[0] = 0x1A, Frame[1] = 0xCF, Frame[2] = 0xFC, Frame[3] = 0x1D;
    Frame[4] = static_cast<std::uint8_t>(First + F);
    Frame[6] = 0x12;
    Frame[7] = 0x34;
  }
  for (std::size_t I = 0; I + 1 < Image.size(); I += 2) std::swap(Image[I], Image[I + 1]);
  return Dir.Write(Name, Image);
}

const std::string Structure = Lines({
    "[BaseFrame:282]",
    Row({"4", "1", "NUMBER", "COUNT", "COUNT/3"}),
    Row({"6", "2", "SUBFRAME", "Inner", "x"}),
    "[Inner:2]",
    Row({"0", "0,12", "HEX", "WORD", "WORD"}),
    Row({"-1", "0", "NUMBER", "BIG", "1E300*1E300"}),
});

}  // namespace

TEST(CliDecode, DumpsEveryNodeOfBothFilesInPreOrder) {
  TTempDir Dir;
  const std::string S = Dir.Write("s.structure", Structure);
  const TCommandResult R = Decode(Quoted(S) + " " + Quoted(PacketFile(Dir, "a.dat", 1)) + " " +
                                  Quoted(PacketFile(Dir, "b.dat", 9)) + " --dump");
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_EQ(R.Out,
            "0\t4\t0\t0\t0\t0\t0\tBaseFrame\n"
            "1\t0\t1\t1\t4\t1\t0.333333333333333\tCOUNT\n"
            "1\t3\t2\t3\t6\t0\t0\tInner\n"
            "2\t1\t4\t4\t6\t291\t291\tInner.WORD\n"
            "2\t2\t5\t5\t5\t-999\tINF\tInner.BIG\n"
            "0\t9\t0\t0\t282\t0\t0\tBaseFrame\n"
            "1\t5\t1\t1\t286\t2\t0.666666666666667\tCOUNT\n"
            "1\t8\t2\t3\t288\t0\t0\tInner\n"
            "2\t6\t4\t4\t288\t291\t291\tInner.WORD\n"
            "2\t7\t5\t5\t287\t-999\tINF\tInner.BIG\n"
            "0\t100000004\t0\t0\t0\t0\t0\tBaseFrame\n"
            "1\t100000000\t1\t1\t4\t9\t3\tCOUNT\n"
            "1\t100000003\t2\t3\t6\t0\t0\tInner\n"
            "2\t100000001\t4\t4\t6\t291\t291\tInner.WORD\n"
            "2\t100000002\t5\t5\t5\t-999\tINF\tInner.BIG\n"
            "0\t100000009\t0\t0\t282\t0\t0\tBaseFrame\n"
            "1\t100000005\t1\t1\t286\t10\t3.33333333333333\tCOUNT\n"
            "1\t100000008\t2\t3\t288\t0\t0\tInner\n"
            "2\t100000006\t4\t4\t288\t291\t291\tInner.WORD\n"
            "2\t100000007\t5\t5\t287\t-999\tINF\tInner.BIG\n");
  EXPECT_EQ(R.Err, "[Info] Parsing " + S + " ...\n[Info] Update on " + Dir.File("a.dat") + "\n[Info] Update on " +
                       Dir.File("b.dat") + "\n");
}

TEST(CliDecode, ChecksTheFilesLikeTheProjectLoad) {
  TTempDir Dir;
  const std::string S = Dir.Write("s.structure", Structure);
  const std::string A = PacketFile(Dir, "a.dat", 1);
  const std::string Missing = Dir.File("missing");

  TCommandResult R = Decode(Quoted(Missing) + " " + Quoted(A));
  EXPECT_EQ(R.ExitCode, 2);
  EXPECT_EQ(R.Err, "[Error] Structurefile does not exist or cannot be opened! (" + Missing + ")\n");

  R = Decode(Quoted(S) + " " + Quoted(Missing) + " --dump");
  EXPECT_EQ(R.ExitCode, 2);
  EXPECT_EQ(R.Err, "[Error] Paket file does not exist or cannot be opened! (" + Missing + ")\n");
  EXPECT_EQ(R.Out, "");

  R = Decode(Quoted(S) + " " + Quoted(A) + " " + Quoted(Missing) + " --dump");
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_EQ(R.Err.substr(0, R.Err.find('\n')),
            "[Warn] 2nd Paket file does not exist or cannot be opened, ignoring entry! (" + Missing + ")");
  EXPECT_EQ(std::count(R.Out.begin(), R.Out.end(), '\n'), 10);
}

TEST(CliDecode, ResyncGoesOnAtTheMarkerAfterAStrayByte) {
  TTempDir Dir;
  const std::string S = Dir.Write("s.structure", Structure);
  std::string Bytes = ReadFile(PacketFile(Dir, "a.dat", 1));
  Bytes.insert(100, 1, '\x55');
  const TCommandResult R = Decode(Quoted(S) + " " + Quoted(Dir.Write("a.dat", Bytes)) + " -q --resync --dump");
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_EQ(R.Err, "[Warn] Skipped 1 bytes, resynchronised at position 283.\n");
  EXPECT_NE(R.Out.find("0\t9\t0\t0\t283\t0\t0\tBaseFrame\n1\t5\t1\t1\t287\t2\t0.666666666666667\tCOUNT\n"),
            std::string::npos)
      << R.Out;
}

TEST(CliDecode, FailsOnStructureFilesThatDoNotLoad) {
  TTempDir Dir;
  const std::string A = PacketFile(Dir, "a.dat", 1);
  TCommandResult R = Decode(Quoted(Dir.Write("bad.structure", Lines({"[BaseFrame:2a]"}))) + " " + Quoted(A));
  EXPECT_EQ(R.ExitCode, 2);
  EXPECT_NE(R.Err.find("Error: '2a' is not a valid integer value\n"), std::string::npos);

  R = Decode(Quoted(Dir.Write("rejected.structure", Lines({"[BaseFrame]"}))) + " " + Quoted(A));
  EXPECT_EQ(R.ExitCode, 2);
  EXPECT_NE(R.Err.find("[Error] No framelength found in [BaseFrame], frame definition not loaded! (" +
                       Dir.File("rejected.structure") + ", line 1)\n"),
            std::string::npos);
}

TEST(CliDecode, RejectsWrongUsage) {
  std::string Many = "a";
  for (int File = 0; File < 1001; ++File) Many += " b";
  const std::pair<std::string, std::string> Cases[] = {
      {"", "STRUCTURE is required"},
      {"only-one", "PACKET is required"},
      {Many, "at most 1000 packet files can be read together"},
      {"a b c d --export", "--export: 1 required FILE missing"},
      {"a --vars x b", "The following argument was not expected: --vars"},
      {"a b --export", "--export: 1 required FILE missing"},
      {"a b --bogus", "The following argument was not expected: --bogus"},
      {"--bogus", "The following argument was not expected: --bogus"}};
  for (const auto& [Args, Problem] : Cases) {
    const TCommandResult R = Decode(Args);
    EXPECT_EQ(R.ExitCode, 1) << Args;
    EXPECT_EQ(R.Out, "") << Args;
    EXPECT_EQ(R.Err, Problem + "\nRun with --help for more information.\n") << Args;
  }
}

TEST(CliExport, WritesTheBaseFramesOfBothFilesAsTheBrowserExportDoes) {
  TTempDir Dir;
  const std::string S = Dir.Write("s.structure", Structure);
  const std::string A = PacketFile(Dir, "a.dat", 1), B = PacketFile(Dir, "b.dat", 9);
  const std::string Target = Dir.File("export.txt");
  Dir.Write("export.txt", std::string(5000, 'x'));

  const TCommandResult R = Decode(Quoted(S) + " " + Quoted(A) + " " + Quoted(B) + " --export " + Quoted(Target));
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_EQ(R.Out, "");
  EXPECT_TRUE(R.Err.ends_with("Export of current browser to " + Target + " successful.\nMatrix dimension is 3 x 4.\n"));
  const std::string Written = ReadFile(Target);
  EXPECT_EQ(Written,
            "FrameNo;COUNT;WORD;BIG;\r\n"
            "1; 3.33333333333333E-0001; 2.91000000000000E+0002;INF;\r\n"
            "2; 6.66666666666667E-0001; 2.91000000000000E+0002;INF;\r\n"
            "3; 3.00000000000000E+0000; 2.91000000000000E+0002;INF;\r\n"
            "4; 3.33333333333333E+0000; 2.91000000000000E+0002;INF;\r\n");

  // The same trees decoded here give the same file.
  TLogRecorder Quiet;
  std::vector<std::string> Messages;
  TQuorinFramesDefinition Definition(S, Messages);
  TData First(A, Definition), Second(B, Definition);
  std::vector<const TDecodedNode*> Roots;
  for (TData* Data : {&First, &Second}) {
    Data->StartTracking();
    Data->StopTracking();
    for (const TDecodedNode* Root = Data->Frames; Root; Root = Root->Next) Roots.push_back(Root);
  }
  std::ostringstream Expected;
  const TExportDimension Dimension = WriteBrowserExport(Expected, Definition, Roots);
  EXPECT_EQ(Written, Expected.str());
  EXPECT_EQ(Dimension.Columns, 3);
  EXPECT_EQ(Dimension.Lines, 4);
}

TEST(CliExport, ReportsAnExportFileThatCannotBeWritten) {
  TTempDir Dir;
  const std::string S = Dir.Write("s.structure", Structure);
  const std::string Target = Dir.File("missing/export.txt");
  const TCommandResult R =
      Decode(Quoted(S) + " " + Quoted(PacketFile(Dir, "a.dat", 1)) + " --export " + Quoted(Target));
  EXPECT_EQ(R.ExitCode, 2);
  EXPECT_EQ(R.Out, "");
  EXPECT_NE(R.Err.find("[Error] Cannot write export file " + Target + ".\n"), std::string::npos);

  // A write that fails part way (as on a full disk) keeps the old file and leaves no other.
  const std::string Old = Dir.Write("old.txt", "old");
  std::ostringstream Out, Err;
  {
    const TFileSizeLimit Limit(64);
    EXPECT_EQ(DecodeCommand({S, Dir.File("a.dat"), "--export", Old}, Out, Err), 2);
  }
  EXPECT_EQ(Out.str(), "");
  EXPECT_NE(Err.str().find("[Error] Cannot write export file " + Old + ".\n"), std::string::npos);
  EXPECT_EQ(ReadFile(Old), "old");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(Dir.Path), {}), 3);
}
