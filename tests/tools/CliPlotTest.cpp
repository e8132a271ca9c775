#include <gtest/gtest.h>

#include <algorithm>

#include "LogRecorder.h"
#include "RunCommand.h"
#include "StructureText.h"
#include "TempDir.h"
#include "common/FloatText.h"
#include "data/Data.h"
#include "plot/PlotSeries.h"
#include "structure/QuorinFramesDefinition.h"

namespace {

TCommandResult Plot(const std::string& Args) { return RunCommand(std::string(VOREX_CLI) + " plot " + Args); }

// 4-byte BaseFrames: V at byte 0 (halved), KEY at byte 1, PLOT_TIME at byte 2.
// Nodes per BaseFrame: PLOT_TIME, V, KEY, root.
const std::string Structure = Lines({
    "[BaseFrame:4]",
    Row({"2", "1", "NUMBER", "PLOT_TIME", "PLOT_TIME"}),
    Row({"0", "1", "NUMBER", "V", "V*0.5"}),
    Row({"1", "1", "NUMBER", "KEY", "KEY"}),
});

// BaseFrames of (V, KEY, PLOT_TIME) as the ground equipment writes them.
std::string PacketFile(const TTempDir& Dir, const std::string& Name,
                       std::initializer_list<std::array<std::uint8_t, 3>> Frames) {
  std::vector<std::uint8_t> Image;
  for (const auto& F : Frames) Image.insert(Image.end(), {F[0], F[1], F[2], 0});
  for (std::size_t I = 0; I + 1 < Image.size(); I += 2) std::swap(Image[I], Image[I + 1]);
  return Dir.Write(Name, Image);
}

struct TFiles {
  TTempDir Dir;
  std::string S = Dir.Write("s.structure", Structure);
  std::string A = PacketFile(Dir, "a.dat", {{5, 3, 10}, {1, 1, 20}, {3, 2, 30}});
  std::string B = PacketFile(Dir, "b.dat", {{9, 1, 40}});
  std::string Files(bool WithB = true) const { return Quoted(S) + " " + Quoted(A) + (WithB ? " " + Quoted(B) : ""); }
};

}  // namespace

TEST(CliPlot, PrintsThePointsTheirStatisticsAndTheVerticalRange) {
  TFiles F;
  TCommandResult R = Plot(F.Files(false) + " --frame BaseFrame --var V");
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_EQ(R.Out,
            "1 10 2.5\n"
            "5 20 0.5\n"
            "9 30 1.5\n"
            "stats 0.5 2.5 1.5 1\n"
            "scale 0.3 2.72\n");
  EXPECT_EQ(R.Err, "[Info] Parsing " + F.S + " ...\n[Info] Update on " + F.A +
                       "\n[Info] No automatic BaseFrame synchronization. BF is 4\n");

  R = Plot(F.Files() + " --frame BaseFrame --var V");
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_EQ(R.Out,
            "1 10 2.5\n"
            "5 20 0.5\n"
            "9 30 1.5\n"
            "100000001 40 4.5\n"
            "stats 0.5 4.5 2.25 1.70782512765993\n"
            "scale 0.1 4.94\n");
}

TEST(CliPlot, OrdersTheBaseFramesByTheSortVariable) {
  TFiles F;
  // Keys 3 1 2 | 1: the first and last swap, the rest stay.
  const TCommandResult R = Plot(F.Files() + " --sort KEY --frame BaseFrame --var V");
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_EQ(R.Out,
            "100000001 40 4.5\n"
            "5 20 0.5\n"
            "9 30 1.5\n"
            "1 10 2.5\n"
            "stats 0.5 4.5 2.25 1.70782512765993\n"
            "scale 0.1 4.94\n");
}

TEST(CliPlot, AgreesWithThePlotSeriesOfTheSameData) {
  TFiles F;
  const TCommandResult R = Plot(F.Files() + " --frame BaseFrame --var PLOT_TIME --sort KEY");
  ASSERT_EQ(R.ExitCode, 0);

  TLogRecorder Quiet;
  std::vector<std::string> Messages;
  TQuorinFramesDefinition Definition(F.S, Messages);
  TData First(F.A, Definition), Second(F.B, Definition);
  Second.SerialBase = SecondFileSerialBase;
  for (TData* Data : {&First, &Second}) {
    Data->StartTracking();
    Data->StopTracking();
  }
  TPlotSeries Series;
  Series.FrameName = "BaseFrame";
  Series.VarName = "PLOT_TIME";
  Series.SortVar = "KEY";
  Series.DataA = &First;
  Series.DataB = &Second;
  Series.RefreshSeries(Definition);
  ASSERT_EQ(Series.Series.size(), 4u);
  std::string Points;
  for (const TPlotPoint& P : Series.Series)
    Points +=
        std::to_string(P.SerialNo) + " " + GeneralFloatText(P.Time, '.') + " " + GeneralFloatText(P.Value, '.') + "\n";
  EXPECT_EQ(Points, "100000000 40 40\n4 20 20\n8 30 30\n0 10 10\n");
  EXPECT_EQ(R.Out.substr(0, Points.size()), Points);
  EXPECT_EQ(R.Out.substr(Points.size()), "stats 10 40 25 12.9099444873581\nscale 7 43.3\n");
}

TEST(CliPlot, ShowsDashesForStatisticsItCannotGive) {
  TFiles F;
  TCommandResult R = Plot(Quoted(F.S) + " " + Quoted(F.Dir.Write("empty.dat", "")) + " --frame BaseFrame --var V");
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_EQ(R.Out, "stats - - - -\nscale 800000 -820000\n");

  const std::string One = PacketFile(F.Dir, "one.dat", {{7, 0, 0}});
  R = Plot(Quoted(F.S) + " " + Quoted(One) + " --frame BaseFrame --var V");
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_EQ(R.Out, "1 0 3.5\nstats 3.5 3.5 3.5 -\nscale 3.4 3.6\n");
}

TEST(CliPlot, ChecksTheFilesLikeTheProjectLoad) {
  TFiles F;
  const std::string Missing = F.Dir.File("missing");
  const std::string Names = " --frame BaseFrame --var V";

  TCommandResult R = Plot(Quoted(Missing) + " " + Quoted(F.A) + Names);
  EXPECT_EQ(R.ExitCode, 2);
  EXPECT_EQ(R.Out, "");
  EXPECT_EQ(R.Err, "[Error] Structurefile does not exist or cannot be opened! (" + Missing + ")\n");

  R = Plot(Quoted(F.S) + " " + Quoted(Missing) + Names);
  EXPECT_EQ(R.ExitCode, 2);
  EXPECT_EQ(R.Out, "");
  EXPECT_EQ(R.Err, "[Error] Paket file does not exist or cannot be opened! (" + Missing + ")\n");

  R = Plot(F.Files(false) + " " + Quoted(Missing) + Names);
  EXPECT_EQ(R.ExitCode, 0);
  EXPECT_EQ(R.Err.substr(0, R.Err.find('\n')),
            "[Warn] 2nd Paket file does not exist or cannot be opened, ignoring entry! (" + Missing + ")");
  EXPECT_EQ(R.Out, "1 10 2.5\n5 20 0.5\n9 30 1.5\nstats 0.5 2.5 1.5 1\nscale 0.3 2.72\n");

  R = Plot(Quoted(F.Dir.Write("bad.structure", Lines({"[BaseFrame:4x]"}))) + " " + Quoted(F.A) + Names);
  EXPECT_EQ(R.ExitCode, 2);
  EXPECT_EQ(R.Out, "");
  EXPECT_NE(R.Err.find("Error: '4x' is not a valid integer value\n"), std::string::npos);

  R = Plot(Quoted(F.Dir.Write("rejected.structure", Lines({"[BaseFrame]"}))) + " " + Quoted(F.A) + Names);
  EXPECT_EQ(R.ExitCode, 2);
  EXPECT_NE(R.Err.find("[Error] No framelength found in [BaseFrame], frame definition not loaded! (" +
                       F.Dir.File("rejected.structure") + ", line 1)\n"),
            std::string::npos);
}

TEST(CliPlot, RejectsWrongUsage) {
  for (const char* Args : {"", "s a", "s a --frame F", "s a --var V", "s --frame F --var V", "s a b c --frame F",
                           "s a --frame F --var", "s a --frame F --var V --sort", "s a --frame F --var V --bogus"}) {
    const TCommandResult R = Plot(Args);
    EXPECT_EQ(R.ExitCode, 1) << Args;
    EXPECT_EQ(R.Out, "") << Args;
    EXPECT_TRUE(R.Err.ends_with("\nRun with --help for more information.\n")) << Args;
    EXPECT_EQ(std::count(R.Err.begin(), R.Err.end(), '\n'), 2) << Args;
  }
}

TEST(CliPlot, RefusesNamesThatNoRowHasAsText) {
  TFiles F;
  // "V" and "KEY" exist; "KEX" is a typo, "BaseFrame.KEY" the wrong frame for a variable name.
  const std::pair<const char*, const char*> Cases[] = {
      {"--frame BaseFrame --var NOWHERE", "[Error] Unknown variable BaseFrame.NOWHERE.\n"},
      {"--frame Base --var V", "[Error] Unknown variable Base.V.\n"},
      {"--frame BaseFrame --var V --sort KEX", "[Error] Unknown variable KEX.\n"}};
  for (const auto& [Names, Error] : Cases) {
    const TCommandResult R = Plot(F.Files() + " -q " + Names);
    EXPECT_EQ(R.ExitCode, 2) << Names;
    EXPECT_EQ(R.Out, "") << Names;
    EXPECT_EQ(R.Err, Error) << Names;
  }
}
