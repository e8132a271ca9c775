#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <limits>
#include <sstream>

#include "LogRecorder.h"
#include "StructureText.h"
#include "TempDir.h"
#include "common/Convert.h"
#include "common/FormatSettings.h"
#include "data/Data.h"
#include "plot/PlotSeries.h"
#include "structure/NameHash.h"
#include "structure/QuorinFramesDefinition.h"

namespace {

// Packet files of 4-byte BaseFrames, decoded by their data holders.
struct TDecodedFiles {
  TTempDir Dir;
  std::vector<std::string> Messages;
  std::unique_ptr<TQuorinFramesDefinition> Definition;
  std::array<std::vector<std::uint8_t>, 2> Bytes;  // in decoded byte order
  std::array<std::unique_ptr<TData>, 2> Data;
  int Writes = 0;

  explicit TDecodedFiles(const std::string& Structure) {
    TLogRecorder Quiet;
    Definition = std::make_unique<TQuorinFramesDefinition>(Dir.Write("d.structure", Structure), Messages);
  }

  // Appends BaseFrames to a file (words swapped on disk) and lets its holder
  // read what is new.
  void Add(int Source, std::initializer_list<std::array<std::uint8_t, 4>> Frames) {
    TLogRecorder Quiet;
    for (const auto& Frame : Frames) Bytes[Source].insert(Bytes[Source].end(), Frame.begin(), Frame.end());
    std::vector<std::uint8_t> OnDisk = Bytes[Source];
    for (std::size_t I = 0; I + 1 < OnDisk.size(); I += 2) std::swap(OnDisk[I], OnDisk[I + 1]);
    const std::string File = Dir.Write(Source == 0 ? "a.dat" : "b.dat", OnDisk);
    namespace fs = std::filesystem;
    fs::last_write_time(File, fs::last_write_time(File) + std::chrono::seconds(++Writes));
    if (Data[Source]) {
      Data[Source]->UpdateFromFile();
      return;
    }
    Data[Source] = std::make_unique<TData>(File, *Definition);
    if (Source == 1) Data[Source]->SerialBase = SecondFileSerialBase;
    Data[Source]->StartTracking();
    Data[Source]->StopTracking();
  }

  void Bind(TPlotSeries& Plot) const {
    Plot.DataA = Data[0].get();
    Plot.DataB = Data[1].get();
  }

  TPlotSeries Collect(const std::string& Frame, const std::string& Var, const std::string& Sort = "") const {
    TPlotSeries Plot;
    Plot.FrameName = Frame;
    Plot.VarName = Var;
    Plot.SortVar = Sort;
    Bind(Plot);
    Plot.RefreshSeries(*Definition);
    return Plot;
  }
};

std::vector<double> Values(const std::vector<TPlotPoint>& Points) {
  std::vector<double> Out;
  for (const TPlotPoint& P : Points) Out.push_back(P.Value);
  return Out;
}
std::vector<double> Times(const std::vector<TPlotPoint>& Points) {
  std::vector<double> Out;
  for (const TPlotPoint& P : Points) Out.push_back(P.Time);
  return Out;
}
std::vector<std::int64_t> Serials(const std::vector<TPlotPoint>& Points) {
  std::vector<std::int64_t> Out;
  for (const TPlotPoint& P : Points) Out.push_back(P.SerialNo);
  return Out;
}

// A series given directly: values with times, serial numbers 0, 1, 2 ...
TPlotSeries WithPoints(const std::vector<double>& PointValues, const std::vector<double>& PointTimes = {}) {
  TPlotSeries Plot;
  for (std::size_t I = 0; I < PointValues.size(); ++I)
    Plot.Series.push_back({PointValues[I], I < PointTimes.size() ? PointTimes[I] : 0.0, static_cast<std::int32_t>(I)});
  return Plot;
}

// A series already ordered by time, shown in time mode from XMin to XMax.
TPlotSeries InTimeMode(const std::vector<double>& PointValues, const std::vector<double>& PointTimes, double XMin,
                       double XMax) {
  TPlotSeries Plot = WithPoints(PointValues, PointTimes);
  Plot.SortTimeSeries();
  Plot.TimeMode = true;
  Plot.XMin = XMin;
  Plot.XMax = XMax;
  return Plot;
}

class TDecimalSeparator {
 public:
  explicit TDecimalSeparator(char Separator) : Saved(FormatSettings().DecimalSeparator) {
    FormatSettings().DecimalSeparator = Separator;
  }
  ~TDecimalSeparator() { FormatSettings().DecimalSeparator = Saved; }

 private:
  char Saved;
};

// Byte 0 V, byte 1 PLOT_TIME; the table order decides which node comes first.
std::string TimeAfterValue() {
  return Lines(
      {"[BaseFrame:4]", Row({"0", "1", "NUMBER", "V", "V"}), Row({"1", "1", "NUMBER", "PLOT_TIME", "PLOT_TIME*0.5"})});
}
std::string TimeBeforeValue() {
  return Lines(
      {"[BaseFrame:4]", Row({"1", "1", "NUMBER", "PLOT_TIME", "PLOT_TIME*0.5"}), Row({"0", "1", "NUMBER", "V", "V"})});
}

// V in the BaseFrame and again in the sub-frame Inner, whose PLOT_TIME is the
// only one. Nodes of a BaseFrame: V, Inner[V, PLOT_TIME]; five serial numbers.
std::string WithInner() {
  return Lines({"[BaseFrame:4]", Row({"0", "1", "NUMBER", "V", "V"}), Row({"1", "2", "SUBFRAME", "Inner", "x"}),
                "[Inner:2]", Row({"0", "1", "NUMBER", "V", "V"}), Row({"1", "1", "NUMBER", "PLOT_TIME", "PLOT_TIME"})});
}

}  // namespace

TEST(PlotCollect, TakesTheVariableFromEveryBaseFrameOfBothFilesInOrder) {
  TDecodedFiles F(WithInner());
  F.Add(0, {{1, 21, 10, 0}, {2, 22, 20, 0}});
  F.Add(1, {{3, 23, 30, 0}, {4, 24, 40, 0}});

  TPlotSeries Outer = F.Collect("BaseFrame", "V");
  EXPECT_EQ(Values(Outer.Series), (std::vector<double>{1, 2, 3, 4}));
  EXPECT_EQ(Serials(Outer.Series), (std::vector<std::int64_t>{0, 5, 100000000, 100000005}));

  TPlotSeries Inner = F.Collect("Inner", "V");
  EXPECT_EQ(Values(Inner.Series), (std::vector<double>{21, 22, 23, 24}));
  EXPECT_EQ(Serials(Inner.Series), (std::vector<std::int64_t>{1, 6, 100000001, 100000006}));

  // Frame and variable name must both match.
  EXPECT_TRUE(F.Collect("BaseFrame", "PLOT_TIME").Series.empty());
  EXPECT_TRUE(F.Collect("Inner", "Inner").Series.empty());
  EXPECT_TRUE(F.Collect("inner", "V").Series.empty());
}

TEST(PlotCollect, WithoutPlotTimeEveryPointIsAtTimeZero) {
  TDecodedFiles F(Lines({"[BaseFrame:4]", Row({"0", "1", "NUMBER", "V", "V"})}));
  F.Add(0, {{7, 0, 0, 0}, {8, 0, 0, 0}});
  TPlotSeries Plot = F.Collect("BaseFrame", "V");
  EXPECT_EQ(Times(Plot.Series), (std::vector<double>{0, 0}));
  EXPECT_EQ(Plot.TimeLow, 0);
  EXPECT_EQ(Plot.TimeHigh, 0);
}

TEST(PlotCollect, APlotTimeAfterTheVariableGivesThePreviousBaseFramesTime) {
  TDecodedFiles F(TimeAfterValue());
  F.Add(0, {{10, 4, 0, 0}, {11, 6, 0, 0}, {12, 8, 0, 0}});
  TPlotSeries Plot = F.Collect("BaseFrame", "V");
  EXPECT_EQ(Values(Plot.Series), (std::vector<double>{10, 11, 12}));
  EXPECT_EQ(Times(Plot.Series), (std::vector<double>{0, 2, 3}));
  // Only times that points took count for the range.
  EXPECT_EQ(Plot.TimeHigh, 3);
}

TEST(PlotCollect, APlotTimeBeforeTheVariableGivesItsOwnBaseFramesTime) {
  TDecodedFiles F(TimeBeforeValue());
  F.Add(0, {{10, 4, 0, 0}, {11, 6, 0, 0}, {12, 8, 0, 0}});
  TPlotSeries Plot = F.Collect("BaseFrame", "V");
  EXPECT_EQ(Times(Plot.Series), (std::vector<double>{2, 3, 4}));
  EXPECT_EQ(Plot.TimeHigh, 4);
}

TEST(PlotCollect, SubframeContentsComeBeforeTheSubframeNodeAndTheTimeCarriesIntoTheSecondFile) {
  TDecodedFiles F(WithInner());
  F.Add(0, {{1, 21, 10, 0}, {2, 22, 20, 0}});
  F.Add(1, {{3, 23, 30, 0}, {4, 24, 40, 0}});

  // The BaseFrame's V comes before the sub-frame, Inner's V before its PLOT_TIME.
  EXPECT_EQ(Times(F.Collect("BaseFrame", "V").Series), (std::vector<double>{0, 10, 20, 30}));
  EXPECT_EQ(Times(F.Collect("Inner", "V").Series), (std::vector<double>{0, 10, 20, 30}));

  // The sub-frame node itself comes after its contents.
  TPlotSeries Node = F.Collect("BaseFrame", "Inner");
  EXPECT_EQ(Values(Node.Series), (std::vector<double>{0, 0, 0, 0}));
  EXPECT_EQ(Times(Node.Series), (std::vector<double>{10, 20, 30, 40}));
  EXPECT_EQ(Serials(Node.Series), (std::vector<std::int64_t>{3, 8, 100000003, 100000008}));
}

TEST(PlotCollect, TheTimeRangeStartsAtTheFirstTimeAndOnlyWidens) {
  TDecodedFiles F(TimeBeforeValue());
  F.Add(0, {{1, 20, 0, 0}, {2, 40, 0, 0}});
  F.Add(1, {{3, 100, 0, 0}});
  TPlotSeries Plot = F.Collect("BaseFrame", "V");
  EXPECT_EQ(Plot.TimeLow, 10);
  EXPECT_EQ(Plot.TimeHigh, 50);
  EXPECT_EQ(Plot.XMin, 10);
  EXPECT_EQ(Plot.XMax, 50);

  // Without the second file the times reach 20 only; the range stays.
  Plot.DataB = nullptr;
  Plot.RefreshSeries(*F.Definition);
  EXPECT_EQ(Times(Plot.Series), (std::vector<double>{10, 20}));
  EXPECT_EQ(Plot.TimeHigh, 50);

  TDecodedFiles Negative(Lines(
      {"[BaseFrame:4]", Row({"1", "1", "NUMBER", "PLOT_TIME", "PLOT_TIME-100"}), Row({"0", "1", "NUMBER", "V", "V"})}));
  Negative.Add(0, {{1, 90, 0, 0}, {2, 95, 0, 0}});
  TPlotSeries Before = Negative.Collect("BaseFrame", "V");
  EXPECT_EQ(Before.TimeLow, -10);
  EXPECT_EQ(Before.TimeHigh, -5);
}

TEST(PlotCollect, TheFirstRefreshShowsEverythingLaterOnesFollowTheNewestPoints) {
  TDecodedFiles F(Lines({"[BaseFrame:4]", Row({"0", "1", "NUMBER", "N", "N"})}));
  for (std::uint8_t N = 0; N < 50; ++N) F.Add(0, {{N, 0, 0, 0}});
  TPlotSeries Plot = F.Collect("BaseFrame", "N");
  EXPECT_FALSE(Plot.AutoView);
  EXPECT_EQ(Plot.ViewStart, 0);
  EXPECT_EQ(Plot.ViewEnd, 50);
  EXPECT_EQ(Plot.YMin, -4.9);
  EXPECT_DOUBLE_EQ(Plot.YMax, 54.39);

  Plot.ViewStart = 10;
  Plot.ViewEnd = 20;
  F.Add(0, {{50, 0, 0, 0}, {51, 0, 0, 0}, {52, 0, 0, 0}, {53, 0, 0, 0}, {54, 0, 0, 0}});
  F.Bind(Plot);
  Plot.RefreshSeries(*F.Definition);
  ASSERT_EQ(Plot.Series.size(), 55u);
  EXPECT_EQ(Plot.ViewStart, 45);
  EXPECT_EQ(Plot.ViewEnd, 55);
  // The automatic vertical range follows the values in view, 45 .. 54.
  EXPECT_DOUBLE_EQ(Plot.YMin, 44.1);
  EXPECT_DOUBLE_EQ(Plot.YMax, 54.99);

  // A typed limit stays. A view of one point follows as two; a view wider
  // than the series starts at 0.
  Plot.ApplyLimit(TLimitEdit::MinY, "3");
  Plot.ViewStart = 7;
  Plot.ViewEnd = 8;
  Plot.RefreshSeries(*F.Definition);
  EXPECT_EQ(Plot.ViewStart, 53);
  EXPECT_EQ(Plot.ViewEnd, 55);
  EXPECT_EQ(Plot.YMin, 3);
  EXPECT_DOUBLE_EQ(Plot.YMax, 54.99);
  Plot.ViewStart = 0;
  Plot.ViewEnd = 80;
  Plot.RefreshSeries(*F.Definition);
  EXPECT_EQ(Plot.ViewStart, 0);
  EXPECT_EQ(Plot.ViewEnd, 55);
}

TEST(PlotCollect, ARefreshAfterATypedStartFarBeforeTheSeriesShowsItFromTheStart) {
  TDecodedFiles F(Lines({"[BaseFrame:4]", Row({"0", "1", "NUMBER", "N", "N"})}));
  F.Add(0, {{1, 0, 0, 0}, {2, 0, 0, 0}, {3, 0, 0, 0}});
  TPlotSeries Plot = F.Collect("BaseFrame", "N");
  Plot.ApplyLimit(TLimitEdit::MinX, "-2147483648");
  ASSERT_EQ(Plot.ViewStart, std::numeric_limits<std::int32_t>::min());
  // The span of the view is beyond 32 bits; it keeps its width, cut at 0.
  F.Add(0, {{4, 0, 0, 0}});
  F.Bind(Plot);
  Plot.RefreshSeries(*F.Definition);
  EXPECT_EQ(Plot.ViewStart, 0);
  EXPECT_EQ(Plot.ViewEnd, 4);
}

TEST(PlotCollect, InTimeModeTheTimeSeriesOverlaysAndTimeRangeFollowTheNewestTimes) {
  TDecodedFiles F(TimeBeforeValue());
  F.Add(0, {{1, 20, 0, 0}, {2, 40, 0, 0}, {3, 60, 0, 0}});
  TPlotSeries Plot = F.Collect("BaseFrame", "V");
  ASSERT_TRUE(Plot.AddOverlay(*F.Definition, "BaseFrame", "V"));
  Plot.ApplyLimit(TLimitEdit::MinY, "-50");
  // Switching on refits the vertical range to the points in view, 1 and 2.
  Plot.SwitchTimeMode(true);
  EXPECT_EQ(Plot.XMin, 10);
  EXPECT_EQ(Plot.XMax, 30);
  EXPECT_DOUBLE_EQ(Plot.YMin, 0.9);
  EXPECT_DOUBLE_EQ(Plot.YMax, 2.11);

  Plot.ApplyLimit(TLimitEdit::MinX, "20");
  F.Add(0, {{5, 100, 0, 0}, {4, 80, 0, 0}});
  F.Bind(Plot);
  Plot.RefreshSeries(*F.Definition);
  EXPECT_EQ(Values(Plot.TimeSeries), (std::vector<double>{1, 2, 3, 4, 5}));
  EXPECT_EQ(Values(Plot.Overlays[0].TimeSeries), (std::vector<double>{1, 2, 3, 4, 5}));
  EXPECT_EQ(Plot.XMin, 40);
  EXPECT_EQ(Plot.XMax, 50);
  EXPECT_EQ(Plot.ViewStart, 3);
  EXPECT_DOUBLE_EQ(Plot.YMin, 3.9);
  EXPECT_DOUBLE_EQ(Plot.YMax, 4.1);

  // A typed vertical limit stays.
  Plot.ApplyLimit(TLimitEdit::MaxY, "40");
  F.Add(0, {{6, 120, 0, 0}});
  Plot.RefreshSeries(*F.Definition);
  EXPECT_EQ(Plot.XMin, 50);
  EXPECT_EQ(Plot.XMax, 60);
  EXPECT_EQ(Plot.YMax, 40);
}

TEST(PlotCollect, ATimeRangeWithoutASpanWidensToEveryTimeWhenItFollows) {
  TDecodedFiles F(TimeBeforeValue());
  F.Add(0, {{1, 20, 0, 0}});
  TPlotSeries Plot = F.Collect("BaseFrame", "V");
  Plot.SwitchTimeMode(true);
  F.Add(0, {{2, 40, 0, 0}, {3, 60, 0, 0}});
  F.Bind(Plot);
  Plot.RefreshSeries(*F.Definition);
  EXPECT_EQ(Plot.XMin, 10);
  EXPECT_EQ(Plot.XMax, 30);
}

TEST(PlotSort, OrdersTheBaseFramesByTheSortVariable) {
  TDecodedFiles F(
      Lines({"[BaseFrame:4]", Row({"0", "1", "NUMBER", "N", "N"}), Row({"1", "1", "NUMBER", "KEY", "KEY"})}));
  F.Add(0, {{0, 30, 0, 0}, {1, 10, 0, 0}});
  F.Add(1, {{2, 20, 0, 0}, {3, 5, 0, 0}});
  EXPECT_EQ(Values(F.Collect("BaseFrame", "N", "KEY").Series), (std::vector<double>{3, 1, 2, 0}));
  EXPECT_EQ(Values(F.Collect("BaseFrame", "N").Series), (std::vector<double>{0, 1, 2, 3}));
  EXPECT_EQ(Values(F.Collect("BaseFrame", "KEY", "KEY").Series), (std::vector<double>{5, 10, 20, 30}));
}

TEST(PlotSort, EqualKeysEndInTheOrderOfTheClassicQuicksort) {
  // Keys 2 1 2 1 2 for BaseFrames 0 .. 4. Pivot 2 (index 2): 0 and 4 swap,
  // then 2 and 3, giving 4 1 3 | 2 0; the left part (pivot 1) swaps 4 and 3,
  // giving 3 1 4, the right part swaps its pair, giving 0 2.
  TDecodedFiles F(
      Lines({"[BaseFrame:4]", Row({"0", "1", "NUMBER", "N", "N"}), Row({"1", "1", "NUMBER", "KEY", "KEY"})}));
  F.Add(0, {{0, 2, 0, 0}, {1, 1, 0, 0}, {2, 2, 0, 0}, {3, 1, 0, 0}, {4, 2, 0, 0}});
  EXPECT_EQ(Values(F.Collect("BaseFrame", "N", "KEY").Series), (std::vector<double>{3, 1, 4, 0, 2}));

  // A name that is nowhere keeps the BaseFrame order.
  const TPlotSeries Unknown = F.Collect("BaseFrame", "N", "K");
  EXPECT_EQ(Values(Unknown.Series), (std::vector<double>{0, 1, 2, 3, 4}));
  EXPECT_TRUE(Unknown.UnknownSort);
}

TEST(PlotCollect, ANameThatOnlySharesTheHashOfAVariableFindsNothing) {
  // "Ab" and "BA" share a hash.
  TDecodedFiles F(Lines({"[BaseFrame:4]", Row({"0", "1", "NUMBER", "Ab", "Ab"}), Row({"1", "1", "NUMBER", "N", "N"})}));
  F.Add(0, {{7, 2, 0, 0}, {9, 1, 0, 0}});
  EXPECT_EQ(Values(F.Collect("BaseFrame", "Ab").Series), (std::vector<double>{7, 9}));
  EXPECT_TRUE(F.Collect("BaseFrame", "BA").Series.empty());
  EXPECT_EQ(Values(F.Collect("BaseFrame", "N", "Ab").Series), (std::vector<double>{2, 1}));
  EXPECT_EQ(Values(F.Collect("BaseFrame", "N", "BA").Series), (std::vector<double>{2, 1}));
}

TEST(PlotSort, FindsTheKeyInSubframesAndSortsBaseFramesWithoutItAsMissing) {
  TDecodedFiles F(Lines({"[BaseFrame:4]", Row({"0", "1", "NUMBER", "HK_SCIENCE_SWITCH", "HK_SCIENCE_SWITCH"}),
                         Row({"1", "1", "NUMBER", "N", "N"}), Row({"2", "2", "SUBFRAME", "SUB_HKSC", "x"}),
                         "[HKFrame:2]", Row({"0", "1", "NUMBER", "KEY", "KEY-1100"}), "[ScienceFrame:2]",
                         Row({"0", "1", "NUMBER", "OTHER", "OTHER"})}));
  F.Add(0, {{1, 0, 200, 0}, {0, 1, 200, 0}, {1, 2, 0, 0}});
  // -900, none (-999), -1100.
  EXPECT_EQ(Values(F.Collect("BaseFrame", "N", "KEY").Series), (std::vector<double>{2, 1, 0}));
}

TEST(PlotTimeSeries, IsACopyOfTheSeriesSortedByTimeWithTheSameQuicksort) {
  TPlotSeries Plot = WithPoints({0, 1, 2, 3, 4}, {2, 1, 2, 1, 2});
  Plot.SortTimeSeries();
  EXPECT_EQ(Values(Plot.TimeSeries), (std::vector<double>{3, 1, 4, 0, 2}));
  EXPECT_EQ(Serials(Plot.TimeSeries), (std::vector<std::int64_t>{3, 1, 4, 0, 2}));
  EXPECT_EQ(Values(Plot.Series), (std::vector<double>{0, 1, 2, 3, 4}));

  Plot = WithPoints({0, 1, 2}, {-1.5, 7, -3});
  Plot.SortTimeSeries();
  EXPECT_EQ(Times(Plot.TimeSeries), (std::vector<double>{-3, -1.5, 7}));
}

namespace {

// Hand-made lists against a definition whose rows are:
// 0 [BaseFrame], 1 K, 2 X, 3 S (SUBFRAME), 4 [Other], 5 K.
struct THandTree {
  TTempDir Dir;
  std::vector<std::string> Messages;
  std::unique_ptr<TQuorinFramesDefinition> Definition;
  TNodePool Pool;

  THandTree() {
    TLogRecorder Quiet;
    Definition = std::make_unique<TQuorinFramesDefinition>(
        Dir.Write("d.structure",
                  Lines({"[BaseFrame:4]", Row({"0", "1", "NUMBER", "K", "K"}), Row({"1", "1", "NUMBER", "X", "X"}),
                         Row({"2", "2", "SUBFRAME", "S", "x"}), "[Other:2]", Row({"0", "1", "NUMBER", "K", "K"})})),
        Messages);
  }
  TDecodedNode* Node(std::int16_t Row, double Value, TDecodedNode* Child = nullptr) {
    TDecodedNode* N = Pool.New();
    *N = TDecodedNode{};
    N->DefIndex = Row;
    N->Value = Value;
    N->Child = Child;
    return N;
  }
  static TDecodedNode* List(std::initializer_list<TDecodedNode*> Nodes) {
    TDecodedNode* Last = nullptr;
    for (TDecodedNode* N : Nodes) {
      if (Last) Last->Next = N;
      Last = N;
    }
    return Nodes.size() ? *Nodes.begin() : nullptr;
  }
  double Find(const TDecodedNode* L, const std::string& Name = "K") const {
    return FindValue(*Definition, L, Name, DJBHash(Name));
  }
};

}  // namespace

TEST(FindValue, SearchesEachSubframeWhereItComesAndGoesOnWhenItHasNoValue) {
  THandTree T;
  EXPECT_EQ(T.Find(nullptr), MissingValue);
  EXPECT_EQ(T.Find(T.List({T.Node(2, 1), T.Node(1, 4), T.Node(1, 5)})), 4);
  // The sub-frame comes first in the list, so its K wins.
  EXPECT_EQ(T.Find(T.List({T.Node(3, 0, T.List({T.Node(2, 1), T.Node(1, 5)})), T.Node(1, 7)})), 5);
  // A sub-frame without K, and one whose K holds the missing value itself.
  EXPECT_EQ(T.Find(T.List({T.Node(3, 0, T.Node(2, 1)), T.Node(1, 7)})), 7);
  EXPECT_EQ(T.Find(T.List({T.Node(3, 0, T.Node(1, MissingValue)), T.Node(1, 7)})), 7);
  // Nested sub-frames.
  EXPECT_EQ(T.Find(T.List({T.Node(3, 0, T.Node(3, 0, T.Node(1, 9))), T.Node(1, 7)})), 9);
  EXPECT_EQ(T.Find(T.List({T.Node(2, 1), T.Node(2, 2)})), MissingValue);
}

TEST(FindValue, ComparesOnlyTheNameHashOfNodesWithoutChildren) {
  THandTree T;
  // K of the frame Other counts as well.
  EXPECT_EQ(T.Find(T.List({T.Node(2, 1), T.Node(5, 3)})), 3);
  // A node of row K with children is not compared itself.
  EXPECT_EQ(T.Find(T.List({T.Node(1, 42, T.Node(2, 1))})), MissingValue);
  EXPECT_EQ(T.Find(T.List({T.Node(1, 42, T.Node(2, 1)), T.Node(5, 6)})), 6);
  // The header row's name is the frame name, not K.
  EXPECT_EQ(T.Find(T.Node(4, 8), "Other"), 8);
  EXPECT_EQ(T.Find(T.Node(4, 8)), MissingValue);
}

TEST(PlotScale, LeavesATenthOfTheSpanBelowAndElevenHundredthsAbove) {
  TPlotSeries Plot = WithPoints({1, 2, 3});
  Plot.ResetView();
  EXPECT_EQ(Plot.YMin, 0.8);
  EXPECT_DOUBLE_EQ(Plot.YMax, 3.22);

  // Only the points in view count.
  Plot = WithPoints({100, 3, 1, 2, -100});
  Plot.ViewStart = 1;
  Plot.ViewEnd = 4;
  Plot.ScaleVertical();
  EXPECT_EQ(Plot.YMin, 0.8);
  EXPECT_DOUBLE_EQ(Plot.YMax, 3.22);
}

TEST(PlotScale, GivesAConstantValueATenthOnEachSide) {
  TPlotSeries Plot = WithPoints({5, 5, 5});
  Plot.ResetView();
  EXPECT_EQ(Plot.YMin, 4.9);
  EXPECT_EQ(Plot.YMax, 5.1);
  // A value that is not a number widens nothing, first or later.
  for (const std::size_t At : {0u, 1u}) {
    std::vector<double> Values{5, 5, 5};
    Values.insert(Values.begin() + static_cast<std::ptrdiff_t>(At), std::numeric_limits<double>::quiet_NaN());
    Plot = WithPoints(Values);
    Plot.ResetView();
    EXPECT_EQ(Plot.YMin, 4.9) << At;
    EXPECT_EQ(Plot.YMax, 5.1) << At;
  }
}

TEST(PlotScale, StartsFromAMillionAboveAndAMillionBelow) {
  TPlotSeries Plot = WithPoints({2000000, 3000000});
  Plot.ResetView();
  EXPECT_EQ(Plot.YMin, 800000);
  EXPECT_EQ(Plot.YMax, 3220000);

  Plot = WithPoints({-2000000, -3000000});
  Plot.ResetView();
  EXPECT_EQ(Plot.YMin, -3200000);
  EXPECT_EQ(Plot.YMax, -780000);

  Plot = WithPoints({1000000});
  Plot.ResetView();
  EXPECT_EQ(Plot.YMin, 999999.9);
  EXPECT_EQ(Plot.YMax, 1000000.1);
}

TEST(PlotScale, WithNoPointInViewGoesFrom800000DownToMinus820000) {
  TPlotSeries Plot;
  Plot.ResetView();
  EXPECT_EQ(Plot.YMin, 800000);
  EXPECT_EQ(Plot.YMax, -820000);

  Plot = WithPoints({1, 2});
  Plot.ViewStart = Plot.ViewEnd = 1;
  Plot.ScaleVertical();
  EXPECT_EQ(Plot.YMin, 800000);
  EXPECT_EQ(Plot.YMax, -820000);
}

TEST(PlotScale, InTimeModeTakesTheViewFromTheNearestPointsAndLeavesOutTheLast) {
  TPlotSeries Plot = InTimeMode({100, 1, 5, 9, 50}, {-10, 0, 10, 20, 30}, 1, 22);
  Plot.ScaleVertical();
  EXPECT_EQ(Plot.ViewStart, 1);
  EXPECT_EQ(Plot.ViewEnd, 3);
  EXPECT_EQ(Plot.YMin, 0.6);
  EXPECT_DOUBLE_EQ(Plot.YMax, 5.44);
}

TEST(PlotView, ResetShowsEveryPointAndTheTimeRange) {
  std::vector<double> V(100);
  for (std::size_t I = 0; I < V.size(); ++I) V[I] = static_cast<double>(I % 7);
  TPlotSeries Plot = WithPoints(V);
  Plot.TimeLow = -2;
  Plot.TimeHigh = 8;
  Plot.ViewStart = 40;
  Plot.ViewEnd = 41;
  Plot.ResetView();
  EXPECT_EQ(Plot.ViewStart, 0);
  EXPECT_EQ(Plot.ViewEnd, 100);
  EXPECT_EQ(Plot.XMin, -2);
  EXPECT_EQ(Plot.XMax, 8);
  EXPECT_DOUBLE_EQ(Plot.YMin, -0.6);
  EXPECT_DOUBLE_EQ(Plot.YMax, 6.66);

  // Switching time mode on shows the time range as it is now.
  Plot.TimeHigh = 9;
  Plot.SwitchTimeMode(true);
  EXPECT_EQ(Plot.XMin, -2);
  EXPECT_EQ(Plot.XMax, 9);
}

TEST(PlotCoordinates, RoundValuesAndTimesToPixelsHalvesToEven) {
  TPlotSeries Plot;
  Plot.YMin = 0;
  Plot.YMax = 8;
  // 12.5 pixels per unit on 100 pixels.
  EXPECT_EQ(Plot.ValueToPixel(0, 100), 100);
  EXPECT_EQ(Plot.ValueToPixel(8, 100), 0);
  EXPECT_EQ(Plot.ValueToPixel(1, 100), 88);
  EXPECT_EQ(Plot.ValueToPixel(3, 100), 62);
  EXPECT_EQ(Plot.ValueToPixel(-2, 100), 125);
  Plot.YMin = -4;
  EXPECT_EQ(Plot.ValueToPixel(0, 120), 80);

  Plot.XMin = 0;
  Plot.XMax = 8;
  EXPECT_EQ(Plot.TimeToPixel(1, 100), 12);
  EXPECT_EQ(Plot.TimeToPixel(3, 100), 38);
  EXPECT_EQ(Plot.TimeToPixel(-4, 100), -50);
  Plot.XMin = 10;
  Plot.XMax = 20;
  EXPECT_EQ(Plot.PixelToTime(25, 100), 12.5);
  EXPECT_EQ(Plot.PixelToTime(0, 100), 10);
  EXPECT_EQ(Plot.PixelToTime(150, 100), 25);
}

TEST(PlotCoordinates, KeepPixelsWithin2To24) {
  TPlotSeries Plot;
  Plot.YMin = 0;
  Plot.YMax = 1e-12;
  EXPECT_EQ(Plot.ValueToPixel(1, 100), -16777216);
  EXPECT_EQ(Plot.ValueToPixel(-1, 100), 16777216);
  Plot.XMin = 0;
  Plot.XMax = 1e-12;
  EXPECT_EQ(Plot.TimeToPixel(1, 100), 16777216);
  EXPECT_EQ(Plot.TimeToPixel(-1, 100), -16777216);
}

TEST(PlotCoordinates, NearestIndexPrefersTheEarlierPointOnATie) {
  TPlotSeries Plot = InTimeMode({0, 1, 2, 3}, {0, 10, 20, 30}, 0, 30);
  EXPECT_EQ(Plot.NearestIndex(-5), 0);
  EXPECT_EQ(Plot.NearestIndex(4), 0);
  EXPECT_EQ(Plot.NearestIndex(5), 0);
  EXPECT_EQ(Plot.NearestIndex(6), 1);
  EXPECT_EQ(Plot.NearestIndex(15), 1);
  EXPECT_EQ(Plot.NearestIndex(15.5), 2);
  EXPECT_EQ(Plot.NearestIndex(25), 2);
  EXPECT_EQ(Plot.NearestIndex(30), 3);
  EXPECT_EQ(Plot.NearestIndex(1000), 3);
  // Pixel 40 of 100 is time 12.
  EXPECT_EQ(Plot.PixelToIndex(40, 100), 1);
  EXPECT_EQ(Plot.PixelToIndex(60, 100), 2);

  // Equal times: the first point at or after the time.
  Plot = InTimeMode({0, 1, 2, 3}, {0, 10, 10, 20}, 0, 20);
  EXPECT_EQ(Plot.NearestIndex(10), 1);
  EXPECT_EQ(Plot.NearestIndex(16), 3);

  // No point, or a single one.
  EXPECT_EQ(TPlotSeries().NearestIndex(5), 0);
  EXPECT_EQ(InTimeMode({7}, {3}, 0, 0).NearestIndex(100), 0);
}

TEST(PlotZoom, InIndexModeShowsTheDraggedPointsInEitherDirection) {
  TPlotSeries Plot = WithPoints({1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
  Plot.ResetView();
  const double YMin = Plot.YMin, YMax = Plot.YMax;
  EXPECT_TRUE(Plot.ApplyZoom({.From = 7, .To = 3, .FromX = 300, .ToX = 300}, 500));
  EXPECT_EQ(Plot.ViewStart, 3);
  EXPECT_EQ(Plot.ViewEnd, 8);
  EXPECT_EQ(Plot.YMin, YMin);
  EXPECT_EQ(Plot.YMax, YMax);

  // The mouse moved but not to another point.
  EXPECT_FALSE(Plot.ApplyZoom({.From = 5, .To = 5, .FromX = 10, .ToX = 90}, 500));
  EXPECT_EQ(Plot.ViewStart, 3);
  EXPECT_EQ(Plot.ViewEnd, 8);
}

TEST(PlotZoom, InTimeModeShowsTheTimesUnderTheBandsEdges) {
  TPlotSeries Plot =
      InTimeMode({0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100}, 0, 100);
  EXPECT_TRUE(Plot.ApplyZoom({.From = 60, .To = 20, .FromX = 60, .ToX = 20}, 100));
  // Both edges in the range the band was drawn in, not the first edge's new one.
  EXPECT_EQ(Plot.XMin, 20);
  EXPECT_EQ(Plot.XMax, 60);
  EXPECT_EQ(Plot.ViewStart, 2);
  EXPECT_EQ(Plot.ViewEnd, 6);

  // No move in x, whatever the cursor positions say.
  EXPECT_FALSE(Plot.ApplyZoom({.From = 10, .To = 80, .FromX = 50, .ToX = 50}, 100));
  EXPECT_EQ(Plot.XMin, 20);
  EXPECT_EQ(Plot.XMax, 60);
  EXPECT_EQ(Plot.ViewStart, 2);
}

TEST(PlotLimits, InIndexModeTakeWholeNumbersWithinTheOtherEnd) {
  TPlotSeries Plot = WithPoints(std::vector<double>(100, 1.0));
  Plot.ResetView();
  Plot.ApplyLimit(TLimitEdit::MinX, "20");
  EXPECT_EQ(Plot.ViewStart, 20);
  Plot.ApplyLimit(TLimitEdit::MaxX, "20");  // not after the first point
  EXPECT_EQ(Plot.ViewEnd, 100);
  Plot.ApplyLimit(TLimitEdit::MaxX, "21");
  EXPECT_EQ(Plot.ViewEnd, 22);
  Plot.ApplyLimit(TLimitEdit::MinX, "22");  // not before the end
  EXPECT_EQ(Plot.ViewStart, 20);
  Plot.ApplyLimit(TLimitEdit::MinX, "21");
  EXPECT_EQ(Plot.ViewStart, 21);
  // Beyond the series is accepted.
  Plot.ApplyLimit(TLimitEdit::MaxX, "150");
  EXPECT_EQ(Plot.ViewEnd, 151);
  Plot.ApplyLimit(TLimitEdit::MinX, "-3");
  EXPECT_EQ(Plot.ViewStart, -3);

  for (const char* Text : {"2.5", "abc", "", "5,0"}) {
    EXPECT_THROW(Plot.ApplyLimit(TLimitEdit::MinX, Text), EConvertError) << Text;
    EXPECT_THROW(Plot.ApplyLimit(TLimitEdit::MaxX, Text), EConvertError) << Text;
  }
  EXPECT_EQ(Plot.ViewStart, -3);
  EXPECT_EQ(Plot.ViewEnd, 151);
}

TEST(PlotLimits, TakeVerticalValuesBelowOrAboveTheOtherEdge) {
  TPlotSeries Plot = WithPoints({1, 2, 3});
  Plot.ResetView();
  Plot.ApplyLimit(TLimitEdit::MinY, "3.5");  // not below the top
  EXPECT_EQ(Plot.YMin, 0.8);
  Plot.ApplyLimit(TLimitEdit::MinY, "-1.5");
  EXPECT_EQ(Plot.YMin, -1.5);
  Plot.ApplyLimit(TLimitEdit::MaxY, "-1.5");  // not above the bottom
  EXPECT_DOUBLE_EQ(Plot.YMax, 3.22);
  Plot.ApplyLimit(TLimitEdit::MaxY, "1E3");
  EXPECT_EQ(Plot.YMax, 1000);
  EXPECT_THROW(Plot.ApplyLimit(TLimitEdit::MaxY, "1.0.0"), EConvertError);
  EXPECT_THROW(Plot.ApplyLimit(TLimitEdit::MinY, "x"), EConvertError);
  EXPECT_EQ(Plot.YMin, -1.5);
  EXPECT_EQ(Plot.YMax, 1000);

  TDecimalSeparator Comma(',');
  Plot.ApplyLimit(TLimitEdit::MinY, "0,25");
  EXPECT_EQ(Plot.YMin, 0.25);
  EXPECT_THROW(Plot.ApplyLimit(TLimitEdit::MinY, "0.5"), EConvertError);
  EXPECT_EQ(Plot.YMin, 0.25);
}

TEST(PlotLimits, InTimeModeSetTheTimeRangeAndNotTheView) {
  TPlotSeries Plot = InTimeMode({1, 2, 3}, {0, 10, 20}, 0, 20);
  Plot.ViewStart = 0;
  Plot.ViewEnd = 2;
  Plot.ApplyLimit(TLimitEdit::MinX, "2.5");
  EXPECT_EQ(Plot.XMin, 2.5);
  Plot.ApplyLimit(TLimitEdit::MinX, "20");  // not before the right edge
  EXPECT_EQ(Plot.XMin, 2.5);
  Plot.ApplyLimit(TLimitEdit::MaxX, "2.5");  // not after the left edge
  EXPECT_EQ(Plot.XMax, 20);
  Plot.ApplyLimit(TLimitEdit::MaxX, "12.75");
  EXPECT_EQ(Plot.XMax, 12.75);
  EXPECT_THROW(Plot.ApplyLimit(TLimitEdit::MaxX, "late"), EConvertError);
  EXPECT_EQ(Plot.XMax, 12.75);
  EXPECT_EQ(Plot.ViewStart, 0);
  EXPECT_EQ(Plot.ViewEnd, 2);
}

std::vector<TPlotPoint> PointsOf(std::initializer_list<double> Values) {
  std::vector<TPlotPoint> Points;
  for (const double Value : Values) Points.push_back({Value, 0, 0});
  return Points;
}

TEST(PlotStatistics, DividesTheDeviationByNMinusOne) {
  const TPlotStatistics S = Statistics(PointsOf({2, 4, 4, 4, 5, 5, 7, 9}));
  EXPECT_EQ(S.Count, 8u);
  EXPECT_EQ(S.Minimum, 2);
  EXPECT_EQ(S.Maximum, 9);
  EXPECT_EQ(S.Mean, 5);
  EXPECT_DOUBLE_EQ(S.Deviation, 2.1380899352993952);  // the root of 32 / 7
  EXPECT_EQ(StatisticsText(S), "Min: \r2\r\rMax: \r9\r\rMean: \r5\r\rStdDev: \r2.1380899");
}

TEST(PlotStatistics, ShowsADashForWhatFewerThanTwoValuesCannotGive) {
  EXPECT_EQ(StatisticsText(Statistics({})), "Min: \r-\r\rMax: \r-\r\rMean: \r-\r\rStdDev: \r-");
  EXPECT_EQ(StatisticsText(Statistics(PointsOf({-3.5}))), "Min: \r-3.5\r\rMax: \r-3.5\r\rMean: \r-3.5\r\rStdDev: \r-");
  EXPECT_EQ(StatisticsText(Statistics(PointsOf({1, 1}))), "Min: \r1\r\rMax: \r1\r\rMean: \r1\r\rStdDev: \r0");
}

TEST(PlotStatistics, WritesNumbersWithEightSignificantDigits) {
  const auto MinText = [](double V) {
    const std::string Text = StatisticsText(Statistics(PointsOf({V})));
    return Text.substr(6, Text.find('\r', 6) - 6);
  };
  EXPECT_EQ(MinText(12345678), "12345678");
  EXPECT_EQ(MinText(12345678.9), "12345679");
  EXPECT_EQ(MinText(123456789), "1.2345679E8");
  EXPECT_EQ(MinText(0.1 + 0.2), "0.3");
  EXPECT_EQ(MinText(0.000012345678), "0.000012345678");
  EXPECT_EQ(MinText(0.00001), "0.00001");
  EXPECT_EQ(MinText(0.000001), "1E-6");
  EXPECT_EQ(MinText(0), "0");
  TDecimalSeparator Comma(',');
  EXPECT_EQ(MinText(2.25), "2,25");
}

TEST(PlotLimitText, ShowsSevenSignificantDigitsWithThreeDecimals) {
  EXPECT_EQ(LimitText(12.5), "12.500");
  EXPECT_EQ(LimitText(12345.6789), "12345.680");
  EXPECT_EQ(LimitText(0.8), "0.800");
  EXPECT_EQ(LimitText(0), "0.000");
  EXPECT_EQ(LimitText(0.0004), "0.000");
  EXPECT_EQ(LimitText(-820000), "-820000.000");
  EXPECT_EQ(LimitText(-1234567.89), "-1234568.000");
  EXPECT_EQ(LimitText(9999999.4), "9999999.000");
  // More than seven integer digits, also after the rounding.
  EXPECT_EQ(LimitText(12345678), "1.234568E7");
  EXPECT_EQ(LimitText(9999999.6), "1E7");
  EXPECT_EQ(LimitText(-123456789), "-1.234568E8");
  TDecimalSeparator Comma(',');
  EXPECT_EQ(LimitText(12.5), "12,500");
  EXPECT_EQ(LimitText(12345678), "1,234568E7");
}

TEST(PlotSave, WritesEveryPointAsSerialTimeAndValueWithCrLf) {
  TPlotSeries Plot;
  Plot.Series = {{12.5, 0, 7}, {-0.001, 1.5, 100000001}};
  Plot.ViewStart = 1;
  Plot.ViewEnd = 2;
  std::ostringstream Out;
  Plot.WriteSeries(Out);
  EXPECT_EQ(Out.str(),
            "7  0.00000000000000E+0000  1.25000000000000E+0001\r\n"
            "100000001  1.50000000000000E+0000 -1.00000000000000E-0003\r\n");

  // The numbers do not follow the decimal separator of the settings.
  TDecimalSeparator Comma(',');
  std::ostringstream Again;
  Plot.WriteSeries(Again);
  EXPECT_EQ(Again.str(), Out.str());

  std::ostringstream Empty;
  TPlotSeries().WriteSeries(Empty);
  EXPECT_EQ(Empty.str(), "");

  // One value column per series; a longer overlay gives the serial number and time.
  Plot.Overlays = {WithPoints({1, 2, 3}, {4, 5, 6})};
  std::ostringstream Columns;
  Plot.WriteSeries(Columns);
  EXPECT_EQ(Columns.str(),
            "7  0.00000000000000E+0000  1.25000000000000E+0001  1.00000000000000E+0000\r\n"
            "100000001  1.50000000000000E+0000 -1.00000000000000E-0003  2.00000000000000E+0000\r\n"
            "2  6.00000000000000E+0000 -  3.00000000000000E+0000\r\n");
}

TEST(PlotOverlay, TakesTheSortCriterionAndTheScaleFollowsNewPointsUpToEightSeries) {
  TDecodedFiles F(
      Lines({"[BaseFrame:4]", Row({"0", "1", "NUMBER", "V", "V"}), Row({"1", "1", "NUMBER", "KEY", "KEY"})}));
  F.Add(0, {{1, 20, 0, 0}, {2, 10, 0, 0}});
  TPlotSeries Plot = F.Collect("BaseFrame", "V", "KEY");
  ASSERT_TRUE(Plot.AddOverlay(*F.Definition, "BaseFrame", "KEY"));
  EXPECT_EQ(Values(Plot.Series), (std::vector<double>{2, 1}));
  EXPECT_EQ(Values(Plot.Overlays[0].Series), (std::vector<double>{10, 20}));
  // 1 .. 20 with a tenth below and above.
  EXPECT_DOUBLE_EQ(Plot.YMin, -0.9);
  EXPECT_DOUBLE_EQ(Plot.YMax, 22.09);

  F.Add(0, {{3, 30, 0, 0}});
  Plot.RefreshSeries(*F.Definition);
  EXPECT_EQ(Values(Plot.Overlays[0].Series), (std::vector<double>{10, 20, 30}));
  EXPECT_DOUBLE_EQ(Plot.YMax, 30 + 0.1 * (30 + 1.9));

  for (int I = 0; I < 6; ++I) EXPECT_TRUE(Plot.AddOverlay(*F.Definition, "BaseFrame", "V"));
  EXPECT_FALSE(Plot.AddOverlay(*F.Definition, "BaseFrame", "V"));
  EXPECT_EQ(Plot.SeriesCount(), MaxPlotSeries);
}

// The statistics a plot keeps across refreshes are those of its points in view.
void ExpectViewStatistics(const TPlotSeries& Plot, const char* Step) {
  const TPlotStatistics Kept = Plot.ViewStatistics(), Counted = Statistics(Plot.PointsInView());
  EXPECT_EQ(Kept.Count, Counted.Count) << Step;
  EXPECT_EQ(Kept.Minimum, Counted.Minimum) << Step;
  EXPECT_EQ(Kept.Maximum, Counted.Maximum) << Step;
  EXPECT_EQ(Kept.Mean, Counted.Mean) << Step;
  EXPECT_EQ(Kept.Deviation, Counted.Deviation) << Step;
}

// A plot that follows growing files keeps what earlier BaseFrames gave; each
// refresh must equal a plot collected afresh from everything.
TEST(PlotCollect, RefreshesAfterAppendsEqualACollectionFromScratch) {
  TDecodedFiles F(Lines({"[BaseFrame:4]", Row({"0", "1", "NUMBER", "V", "V"}), Row({"1", "1", "NUMBER", "KEY", "KEY"}),
                         Row({"2", "2", "SUBFRAME", "Inner", "x"}), "[Inner:2]", Row({"0", "1", "NUMBER", "V", "V"}),
                         Row({"1", "1", "NUMBER", "PLOT_TIME", "PLOT_TIME"})}));
  struct TCase {
    std::string Frame, Var, Sort;
  };
  const std::vector<TCase> Cases = {{"BaseFrame", "V", ""},
                                    {"Inner", "V", ""},
                                    {"BaseFrame", "V", "KEY"},
                                    {"Inner", "PLOT_TIME", "KEY"},
                                    {"BaseFrame", "Inner", "V"}};
  std::vector<TPlotSeries> Following(Cases.size());
  const auto Check = [&](const char* Step) {
    for (std::size_t I = 0; I < Cases.size(); ++I) {
      TPlotSeries& Plot = Following[I];
      Plot.FrameName = Cases[I].Frame;
      Plot.VarName = Cases[I].Var;
      Plot.SortVar = Cases[I].Sort;
      F.Bind(Plot);
      Plot.RefreshSeries(*F.Definition);
      const TPlotSeries Fresh = F.Collect(Cases[I].Frame, Cases[I].Var, Cases[I].Sort);
      EXPECT_EQ(Values(Plot.Series), Values(Fresh.Series)) << Step << " " << I;
      EXPECT_EQ(Times(Plot.Series), Times(Fresh.Series)) << Step << " " << I;
      EXPECT_EQ(Serials(Plot.Series), Serials(Fresh.Series)) << Step << " " << I;
      EXPECT_EQ(Plot.TimeHigh, Fresh.TimeHigh) << Step << " " << I;
      ExpectViewStatistics(Plot, Step);
    }
  };
  F.Add(0, {{1, 2, 5, 10}, {2, 1, 6, 20}});
  Check("first file");
  F.Add(1, {{3, 2, 7, 30}});
  Check("second file");
  F.Add(0, {{4, 1, 8, 40}, {5, 2, 9, 50}, {6, 1, 1, 5}});
  Check("first file grew");
  F.Add(1, {{7, 2, 2, 60}});
  Check("second file grew");
  // Another sort criterion and other names start over.
  Following[2].SortVar = "V";
  Following[2].RefreshSeries(*F.Definition);
  EXPECT_EQ(Serials(Following[2].Series), Serials(F.Collect("BaseFrame", "V", "V").Series));
  Following[0].VarName = "KEY";
  Following[0].RefreshSeries(*F.Definition);
  // KEY of the BaseFrames of the first file, then of the second.
  EXPECT_EQ(Values(Following[0].Series), (std::vector<double>{2, 1, 1, 2, 1, 2, 2}));
  ExpectViewStatistics(Following[0], "other variable");
  ExpectViewStatistics(Following[2], "other sort");
}
