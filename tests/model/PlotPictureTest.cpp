#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "common/DateTime.h"
#include "common/FormatSettings.h"
#include "plot/PlotAxes.h"
#include "plot/PlotLevels.h"
#include "plot/PlotPicture.h"

namespace {

TPlotSeries WithValues(const std::vector<double>& Values, const std::vector<double>& Times = {}) {
  TPlotSeries Plot;
  for (std::size_t I = 0; I < Values.size(); ++I)
    Plot.Series.push_back({Values[I], I < Times.size() ? Times[I] : 0.0, static_cast<std::int32_t>(I)});
  Plot.ResetView();
  return Plot;
}

TPlotLine Vertical(int X, int Height) { return {{X, 0}, {X, Height}}; }
TPlotLine Horizontal(int Y, int Width) { return {{0, Y}, {Width, Y}}; }
// The zero line is one pixel shorter than the others.
std::vector<TPlotLine> ZeroLine(int Y, int Width) {
  return {{{0, Y}, {Width - 1, Y}}, {{0, Y + 1}, {Width - 1, Y + 1}}};
}

std::vector<TPlotLine> Join(std::initializer_list<std::vector<TPlotLine>> Parts) {
  std::vector<TPlotLine> All;
  for (const auto& Part : Parts) All.insert(All.end(), Part.begin(), Part.end());
  return All;
}

std::vector<int> VerticalXs(const TPlotPicture& Picture) {
  std::vector<int> Xs;
  for (const TPlotLine& L : Picture.Grid)
    if (L.From.X == L.To.X) Xs.push_back(L.From.X);
  return Xs;
}

}  // namespace

TEST(PlotPicture, DrawsGridTraceAndTextsOfAnIndexView) {
  TPlotSeries Plot = WithValues({1, 2, 3});  // 0.8 .. 3.22
  const TPlotPicture P = DrawPlot(Plot, 100, 50);
  EXPECT_TRUE(P.Drawn);
  // 50 pixels per point, 20.66 per unit; zero lies below the area.
  EXPECT_EQ(P.Grid, (std::vector<TPlotLine>{Vertical(50, 50), Vertical(100, 50), Horizontal(46, 100),
                                            Horizontal(25, 100), Horizontal(5, 100)}));
  EXPECT_EQ(P.Trace, (std::vector<TPixel>{{0, 46}, {0, 46}, {50, 25}, {100, 5}}));
  EXPECT_EQ(P.LabelMinX, "0");
  EXPECT_EQ(P.LabelMaxX, "2");
  EXPECT_EQ(P.EditMinY, "0.800");
  EXPECT_EQ(P.EditMaxY, "3.220");
  EXPECT_EQ(P.StatText, "Min: \r1\r\rMax: \r3\r\rMean: \r2\r\rStdDev: \r1");
}

TEST(PlotPicture, DrawsOverlaysOnTheSameScaleWithTheStatisticsOfTheChosenSeries) {
  TPlotSeries Plot = WithValues({1, 2, 3});
  Plot.Overlays = {WithValues({3, 3, 3})};
  Plot.Chosen = 1;
  const TPlotPicture P = DrawPlot(Plot, 100, 50);
  EXPECT_EQ(P.Trace, (std::vector<TPixel>{{0, 46}, {0, 46}, {50, 25}, {100, 5}}));
  EXPECT_EQ(P.OverlayTraces, (std::vector<std::vector<TPixel>>{{{0, 5}, {0, 5}, {50, 5}, {100, 5}}}));
  EXPECT_EQ(P.StatText, "Min: \r3\r\rMax: \r3\r\rMean: \r3\r\rStdDev: \r0");
}

TEST(PlotLevels, AreTheActiveAlarmsOfThePlottedVariablesWithTheRowsInsideTheArea) {
  TPlotSeries Plot = WithValues({1, 2, 3});  // 0.8 .. 3.22 on 50 rows
  Plot.VarName = "A";
  Plot.Overlays = {WithValues({1})};
  Plot.Overlays[0].VarName = "B";
  const auto Alarm = [](const char* Var, double Value, std::optional<double> Warning, bool Active) {
    return TProjectAlarm{{Value, '>', Var, Warning}, Active};
  };
  const std::vector<TLevel> Levels = PlotLevels(
      {Alarm("A", 3, 2, true), Alarm("B", 10, {}, true), Alarm("A", 1, {}, false), Alarm("C", 1, {}, true)}, Plot);
  EXPECT_EQ(Levels, (std::vector<TLevel>{{3, false}, {2, true}, {10, false}}));
  EXPECT_EQ(LevelRows(Plot, Levels, 50), (std::vector<TLevelRow>{{5, false}, {25, true}}));
}

TEST(PlotPicture, AfterAResetOfAHundredPointsEnterInTheUnchangedEditsKeepsTheView) {
  TPlotSeries Plot = WithValues(std::vector<double>(100, 1.0));
  TPlotPicture P = DrawPlot(Plot, 500, 100);
  EXPECT_EQ(P.LabelMinX, "0");
  EXPECT_EQ(P.LabelMaxX, "99");
  Plot.ApplyLimit(TLimitEdit::MaxX, P.LabelMaxX);
  Plot.ApplyLimit(TLimitEdit::MinX, P.LabelMinX);
  EXPECT_EQ(Plot.ViewStart, 0);
  EXPECT_EQ(Plot.ViewEnd, 100);
  const std::vector<TPixel> Trace = P.Trace;
  P = DrawPlot(Plot, 500, 100);
  EXPECT_EQ(P.LabelMinX, "0");
  EXPECT_EQ(P.LabelMaxX, "99");
  EXPECT_EQ(P.Trace, Trace);
}

TEST(PlotPicture, DrawsTheZeroLineTwoRowsHighInsideTheArea) {
  TPlotSeries Plot = WithValues({-1, 1});  // -1.2 .. 1.22, 100 pixels per unit on 242
  const TPlotPicture P = DrawPlot(Plot, 10, 242);
  EXPECT_EQ(
      P.Grid,
      Join({ZeroLine(122, 10), {Vertical(10, 242)}, {Horizontal(222, 10), Horizontal(122, 10), Horizontal(22, 10)}}));
  EXPECT_EQ(P.Trace, (std::vector<TPixel>{{0, 222}, {0, 222}, {10, 22}}));

  // Zero on the bottom or top edge draws no zero line.
  Plot.YMin = 0;
  Plot.YMax = 100;
  EXPECT_EQ(DrawPlot(Plot, 10, 242).Grid, (std::vector<TPlotLine>{Vertical(10, 242)}));
  Plot.YMin = -100;
  Plot.YMax = 0;
  EXPECT_EQ(DrawPlot(Plot, 10, 242).Grid, (std::vector<TPlotLine>{Vertical(10, 242)}));
}

TEST(PlotPicture, DrawsHorizontalLinesFromTenPixelsPerUnit) {
  TPlotSeries Plot = WithValues({2, 3});
  Plot.YMin = 0;
  Plot.YMax = 10;
  TPlotPicture P = DrawPlot(Plot, 100, 100);
  std::vector<TPlotLine> Expected{Vertical(100, 100)};
  for (int V = 0; V <= 10; ++V) Expected.push_back(Horizontal(100 - 10 * V, 100));
  EXPECT_EQ(P.Grid, Expected);

  P = DrawPlot(Plot, 100, 99);
  EXPECT_EQ(P.Grid, (std::vector<TPlotLine>{Vertical(100, 99)}));
}

TEST(PlotPicture, DrawsVerticalLinesFromTenPixelsPerPoint) {
  TPlotSeries Plot = WithValues(std::vector<double>(11, 5.0));  // 4.9 .. 5.1
  TPlotPicture P = DrawPlot(Plot, 100, 1);
  EXPECT_EQ(VerticalXs(P), (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
  EXPECT_EQ(P.Grid.size(), 10u);
  EXPECT_TRUE(DrawPlot(Plot, 99, 1).Grid.empty());
}

TEST(PlotPicture, AThousandPointsOnFiveHundredPixelsHaveNoVerticalLines) {
  std::vector<double> Values(1000);
  for (std::size_t I = 0; I < Values.size(); ++I) Values[I] = static_cast<double>(I % 2);
  TPlotSeries Plot = WithValues(Values);  // -0.1 .. 1.11
  const TPlotPicture P = DrawPlot(Plot, 500, 100);
  EXPECT_EQ(P.Grid, Join({ZeroLine(92, 500), {Horizontal(92, 500), Horizontal(9, 500)}}));
  ASSERT_EQ(P.Trace.size(), 1001u);
  // 500 / 999 pixels per point step.
  EXPECT_EQ(P.Trace[0], (TPixel{0, 92}));
  EXPECT_EQ(P.Trace[2], (TPixel{1, 9}));
  EXPECT_EQ(P.Trace[7], (TPixel{3, 92}));
  EXPECT_EQ(P.Trace[1000], (TPixel{500, 9}));
  EXPECT_EQ(P.LabelMaxX, "999");
  // Twenty points a column: thinned to the first, lowest, highest and last.
  const TPlotPicture Dense = DrawPlot(Plot, 50, 100);
  ASSERT_EQ(Dense.Trace.size(), 4u * 51);
  EXPECT_EQ(std::vector<TPixel>(Dense.Trace.begin() + 4, Dense.Trace.begin() + 8),
            (std::vector<TPixel>{{1, 92}, {1, 9}, {1, 92}, {1, 9}}));
}

TEST(PlotPicture, ACrowdedViewIsThinnedColumnByColumnAsEveryPointWouldBe) {
  // Noise on plateaus, with gaps (NaN) in some columns.
  std::vector<double> Values(20000);
  std::uint32_t Seed = 7;
  for (std::size_t I = 0; I < Values.size(); ++I) {
    Seed = Seed * 1664525u + 1013904223u;
    Values[I] = (I / 3000 % 2 ? 50.0 : 0.0) + static_cast<double>(Seed >> 24) / 16;
    if (I % 997 == 5) Values[I] = std::numeric_limits<double>::quiet_NaN();
  }
  const struct {
    int Width;
    const char* MinX;
  } Rows[] = {{7, nullptr}, {333, nullptr}, {1000, "-500"}, {4999, "1234"}, {90000, nullptr}};
  for (const auto& Row : Rows) {
    TPlotSeries Plot = WithValues(Values);
    if (Row.MinX) Plot.ApplyLimit(TLimitEdit::MinX, Row.MinX);
    const std::vector<TPixel> Trace = DrawPlot(Plot, Row.Width, 300).Trace;
    const double Px = Plot.IndexPixels(Row.Width);
    const std::int64_t From = std::max<std::int64_t>(Plot.ViewStart, 0);
    std::vector<TPixel> Every{
        {From == Plot.ViewStart ? 0 : Plot.IndexToPixel(From, Px), Plot.ValueToPixel(Values[From], 300)}};
    for (std::int64_t I = From; I < static_cast<std::int64_t>(Values.size()); ++I)
      Every.push_back({Plot.IndexToPixel(I, Px), Plot.ValueToPixel(Values[static_cast<std::size_t>(I)], 300)});
    EXPECT_EQ(Trace, ThinTrace(Every)) << Row.Width;
  }
}

TEST(PlotPicture, RoundsTracePointsHalvesToEven) {
  TPlotSeries Plot = WithValues({1, 1, 1, 1, 1});  // half a pixel per point on 2
  EXPECT_EQ(DrawPlot(Plot, 2, 10).Trace, (std::vector<TPixel>{{0, 5}, {0, 5}, {0, 5}, {1, 5}, {2, 5}, {2, 5}}));
}

TEST(PlotPicture, DrawsASinglePointAtTheLeftEdge) {
  TPlotSeries Plot = WithValues({4});  // 3.9 .. 4.1
  const TPlotPicture P = DrawPlot(Plot, 100, 50);
  EXPECT_TRUE(P.Drawn);
  EXPECT_EQ(P.Grid, (std::vector<TPlotLine>{Horizontal(25, 100)}));
  EXPECT_EQ(P.Trace, (std::vector<TPixel>{{0, 25}, {0, 25}}));
  EXPECT_EQ(P.LabelMinX, "0");
  EXPECT_EQ(P.LabelMaxX, "0");
  EXPECT_EQ(P.EditMinY, "3.900");
  EXPECT_EQ(P.EditMaxY, "4.100");
  EXPECT_EQ(P.StatText, "Min: \r4\r\rMax: \r4\r\rMean: \r4\r\rStdDev: \r-");
}

TEST(PlotPicture, DrawsOnlyTheExistingPointsOfATypedViewBeyondTheSeries) {
  TPlotSeries Plot = WithValues({1, 2, 3});
  Plot.ApplyLimit(TLimitEdit::MaxX, "5");
  TPlotPicture P = DrawPlot(Plot, 100, 50);
  EXPECT_EQ(VerticalXs(P), (std::vector<int>{20, 40, 60, 80, 100}));
  EXPECT_EQ(P.Trace, (std::vector<TPixel>{{0, 46}, {0, 46}, {20, 25}, {40, 5}}));
  EXPECT_EQ(P.LabelMaxX, "5");
  EXPECT_EQ(P.StatText, "Min: \r1\r\rMax: \r3\r\rMean: \r2\r\rStdDev: \r1");

  Plot.ApplyLimit(TLimitEdit::MaxX, "2");
  Plot.ApplyLimit(TLimitEdit::MinX, "-2");
  P = DrawPlot(Plot, 100, 50);
  EXPECT_EQ(VerticalXs(P), (std::vector<int>{25, 50, 75, 100}));
  EXPECT_EQ(P.Trace, (std::vector<TPixel>{{50, 46}, {50, 46}, {75, 25}, {100, 5}}));
  EXPECT_EQ(P.LabelMinX, "-2");
  EXPECT_EQ(P.LabelMaxX, "2");
}

TEST(PlotPicture, ScalesVerticallyFirstWhenTheRangeIsEmpty) {
  TPlotSeries Plot = WithValues({1, 2, 3});
  Plot.YMin = Plot.YMax = 7;
  const TPlotPicture P = DrawPlot(Plot, 100, 50);
  EXPECT_EQ(Plot.YMin, 0.8);
  EXPECT_EQ(P.EditMinY, "0.800");
  EXPECT_EQ(P.Trace, (std::vector<TPixel>{{0, 46}, {0, 46}, {50, 25}, {100, 5}}));
}

TEST(PlotPicture, WithoutPointsInViewDrawsNothingAndLeavesTheTexts) {
  TPlotSeries Plot;
  Plot.ResetView();
  Plot.YMin = Plot.YMax = 0;
  TPlotPicture P = DrawPlot(Plot, 100, 50);
  EXPECT_FALSE(P.Drawn);
  EXPECT_TRUE(P.Grid.empty());
  EXPECT_TRUE(P.Trace.empty());
  EXPECT_EQ(P.LabelMinX, "");
  EXPECT_EQ(P.EditMinY, "");
  EXPECT_EQ(P.StatText, "");
  EXPECT_EQ(Plot.YMin, 0);  // not scaled either

  // Points exist, but the view ends at 0.
  Plot = WithValues({1, 2});
  Plot.ViewEnd = 0;
  EXPECT_FALSE(DrawPlot(Plot, 100, 50).Drawn);
}

TEST(PlotPicture, DrawsTheTimeViewFromThePointBeforeItToThePointAfterIt) {
  TPlotSeries Plot = WithValues({1, 2, 3, 4, 5}, {0, 10, 20, 30, 40});
  Plot.SortTimeSeries();
  Plot.TimeMode = true;
  Plot.YMin = 0;
  Plot.YMax = 10;
  Plot.XMin = 5;
  Plot.XMax = 25;
  // 5 pixels per second: a grid line every 10 s; nearest points of 5 and 25
  // are 0 and 2 (ties).
  TPlotPicture P = DrawPlot(Plot, 100, 50);
  EXPECT_EQ(P.Grid, (std::vector<TPlotLine>{Vertical(25, 50), Vertical(75, 50)}));
  // The first point at or after XMin is point 1, which is not stepped back.
  EXPECT_EQ(P.Trace, (std::vector<TPixel>{{25, 40}, {25, 40}, {75, 35}, {125, 30}}));
  EXPECT_EQ(P.LabelMinX, "5");
  EXPECT_EQ(P.LabelMaxX, "25");
  EXPECT_EQ(P.EditMinY, "0.000");
  EXPECT_EQ(P.EditMaxY, "10.000");
  EXPECT_EQ(P.StatText, "Min: \r1\r\rMax: \r3\r\rMean: \r2\r\rStdDev: \r1");

  // From point 2 on, the line starts one point earlier; 10 pixels per second
  // give a grid line every 5 s.
  Plot.XMin = 15;
  P = DrawPlot(Plot, 100, 50);
  EXPECT_EQ(P.Grid, (std::vector<TPlotLine>{Vertical(0, 50), Vertical(50, 50), Vertical(100, 50)}));
  EXPECT_EQ(P.Trace, (std::vector<TPixel>{{-50, 40}, {-50, 40}, {50, 35}, {150, 30}}));
  EXPECT_EQ(P.StatText, "Min: \r2\r\rMax: \r3\r\rMean: \r2.5\r\rStdDev: \r0.70710678");

  // Past the last point the line ends there.
  Plot.XMin = 50;
  Plot.XMax = 60;
  P = DrawPlot(Plot, 100, 50);
  EXPECT_EQ(P.Trace, (std::vector<TPixel>{{-100, 25}, {-100, 25}}));

  const char Saved = FormatSettings().DecimalSeparator;
  FormatSettings().DecimalSeparator = ',';
  Plot.XMin = 2.5;
  P = DrawPlot(Plot, 100, 50);
  FormatSettings().DecimalSeparator = Saved;
  EXPECT_EQ(P.LabelMinX, "2,5");
  EXPECT_EQ(P.LabelMaxX, "60");
}

TEST(PlotPicture, DrawsNoTimeLinesWhenTheTimeRangeIsEmpty) {
  TPlotSeries Plot = WithValues({1, 2});  // no PLOT_TIME: all at 0
  Plot.SortTimeSeries();
  Plot.TimeMode = true;
  Plot.YMin = -5;
  Plot.YMax = 5;
  const TPlotPicture P = DrawPlot(Plot, 100, 50);
  EXPECT_TRUE(P.Drawn);
  EXPECT_EQ(P.Grid, ZeroLine(25, 100));
  EXPECT_TRUE(P.Trace.empty());
  EXPECT_EQ(P.LabelMinX, "0");
  EXPECT_EQ(P.LabelMaxX, "0");
  // The quicksort swapped the two equal times; the statistics take point 0 only.
  EXPECT_EQ(P.StatText, "Min: \r2\r\rMax: \r2\r\rMean: \r2\r\rStdDev: \r-");
}

TEST(PlotPicture, InTimeModeWithoutATimeSeriesDrawsNoLineAndNoStatistics) {
  TPlotSeries Plot = WithValues({1, 2, 3}, {0, 5, 10});
  Plot.TimeMode = true;  // the series came after "Time-scaled" was switched on
  Plot.XMin = 0;
  Plot.XMax = 10;
  Plot.YMin = -5;
  Plot.YMax = 5;
  const TPlotPicture P = DrawPlot(Plot, 100, 50);
  EXPECT_EQ(P.Grid, ZeroLine(25, 100));
  EXPECT_TRUE(P.Trace.empty());
  EXPECT_EQ(P.LabelMaxX, "10");
  EXPECT_EQ(P.StatText, "Min: \r-\r\rMax: \r-\r\rMean: \r-\r\rStdDev: \r-");
}

TEST(PlotPicture, InTimeModeAViewEndingAtTheFirstPointIsNotDrawn) {
  TPlotSeries Plot = WithValues({1, 2, 3}, {0, 10, 20});
  Plot.SortTimeSeries();
  Plot.TimeMode = true;
  Plot.XMin = 0;
  Plot.XMax = 4;
  Plot.ScaleVertical();  // the nearest point of 4 is point 0, so ViewEnd is 0
  EXPECT_EQ(Plot.ViewEnd, 0);
  EXPECT_FALSE(DrawPlot(Plot, 100, 50).Drawn);
}

TEST(PlotAxes, RoundTimeStepsFollowTheClockThenWholeDays) {
  constexpr double Day = 86400;
  struct TRow {
    double AtLeast, Of, Step;
  };
  const std::vector<TRow> Rows = {{0.2, 1, 1},
                                  {11, 1, 30},
                                  {61, 1, 120},
                                  {7201, 1, 21600},
                                  {43201, 1, Day},
                                  {Day + 1, 1, 2 * Day},
                                  {6 * Day, 1, 10 * Day},
                                  // A multiple of a given step.
                                  {3, 2, 10},
                                  {3 * Day, 2 * Day, 10 * Day}};
  for (const TRow& Row : Rows) EXPECT_EQ(RoundTimeStep(Row.AtLeast, Row.Of), Row.Step) << Row.AtLeast << " " << Row.Of;
  EXPECT_TRUE(std::isinf(RoundTimeStep(std::numeric_limits<double>::infinity())));
}

TEST(PlotAxes, TimeGridLinesStandAtRoundClockTimesFortyPixelsApart) {
  // A point every second from 1.2 million seconds on, 500 pixels wide: a line every 2 min.
  std::vector<double> Values(1000, 1), Times(1000);
  for (std::size_t I = 0; I < Times.size(); ++I) Times[I] = 1.2e6 + static_cast<double>(I);
  TPlotSeries Plot = WithValues(Values, Times);
  Plot.SortTimeSeries();
  Plot.TimeMode = true;
  Plot.XMin = Times.front();
  Plot.XMax = Times.back();
  EXPECT_EQ(VerticalXs(DrawPlot(Plot, 500, 50)), (std::vector<int>{0, 60, 120, 180, 240, 300, 360, 420, 480}));

  // A line a minute on 1 pixel per second, where the clock shows a whole minute.
  Plot.XMin = 0;
  Plot.XMax = 100;
  EXPECT_EQ(TimeGridXs(Plot, 100, 10 / 86400.0), (std::vector<int>{50}));
}

TEST(PlotAxes, LabelValuesAndPointNumbersAtRoundSteps) {
  TPlotSeries Plot = WithValues({1, 2, 3});  // 0.8 .. 3.22: a label per unit on 100 pixels
  EXPECT_EQ(ValueLabels(Plot, 100), (std::vector<TAxisLabel>{{92, "1", ""}, {50, "2", ""}, {9, "3", ""}}));
  Plot.YMin = 0;
  Plot.YMax = 0.3;
  EXPECT_EQ(ValueLabels(Plot, 100),
            (std::vector<TAxisLabel>{{100, "0", ""}, {67, "0.1", ""}, {33, "0.2", ""}, {0, "0.3", ""}}));

  Plot = WithValues(std::vector<double>(100, 1.0));  // 5.05 pixels per point: every 20th
  EXPECT_EQ(
      BottomLabels(Plot, 500, 0),
      (std::vector<TAxisLabel>{{0, "0", ""}, {101, "20", ""}, {202, "40", ""}, {303, "60", ""}, {404, "80", ""}}));
}

TEST(PlotAxes, LabelTimesOfDayAtGridLinesWithTheDateWhereItChanges) {
  // A pixel per second: grid lines every minute, labels every 2 min. The
  // clock of day 1 runs over midnight.
  TPlotSeries Plot = WithValues({1, 2}, {86000, 86800});
  Plot.SortTimeSeries();
  Plot.TimeMode = true;
  Plot.XMin = 86000;
  Plot.XMax = 86800;
  const std::vector<TAxisLabel> Expected = {
      {40, "23:54:00", DateText(1)}, {160, "23:56:00", ""}, {280, "23:58:00", ""}, {400, "00:00:00", DateText(2)},
      {520, "00:02:00", ""},         {640, "00:04:00", ""}, {760, "00:06:00", ""}};
  EXPECT_EQ(DrawPlot(Plot, 800, 50, 1).BottomLabels, Expected);
}
