#pragma once
// A plot's data series and view without the window: collection from the
// decoded BaseFrames, the sort criterion, time order, the view range, the
// scaling, pixel conversions, zoom, typed limits, statistics and the file.
#include <array>
#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "plot/PlotColumn.h"
#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"

struct TPlotPoint {
  double Value;
  double Time;  // seconds: the PLOT_TIME value met last before the point
  std::int64_t SerialNo;
};

// The frame of the first definition row of that variable; empty when none.
std::string FrameOfVariable(const TFramesDefinition& Definition, const std::string& VarName);

struct TPlotStatistics {
  std::size_t Count = 0;
  double Minimum = 0, Maximum = 0, Mean = 0, Deviation = 0;  // deviation divides by n - 1
};

TPlotStatistics Statistics(std::span<const TPlotPoint> Points);
// "Min: " CR value CR CR "Max: " ...; numbers in 8-digit general notation.
// Missing numbers (no value, or one for the deviation) are "-".
std::string StatisticsText(const TPlotStatistics& Statistics);
// An axis limit: 7 significant digits shown with three decimals, or
// scientific beyond 7 integer digits.
std::string LimitText(double Value);

// x converted to the nearest pixel, halves to even, kept within +-2^24.
int NearestPixel(double Value);

// A plot draws at most this many variables over one another.
constexpr std::size_t MaxPlotSeries = 8;

// The edits of the limits.
enum class TLimitEdit { MinY, MaxY, MinX, MaxX };

// A drag over the plot area: where it began and ended, as series indices
// (index mode) and as pixels.
struct TPlotDrag {
  std::int32_t From = 0, To = 0;
  std::int32_t FromX = 0, ToX = 0;
};

class TPlotSeries {
 public:
  std::vector<TPlotPoint> Series;
  std::vector<TPlotPoint> TimeSeries;
  std::int32_t ViewStart = 0, ViewEnd = 0;
  double YMin = 0, YMax = 0;
  double XMin = 0, XMax = 0;
  // The range of the times collected: from the first point's time on, it
  // only widens.
  double TimeHigh = 0, TimeLow = 0;
  bool AutoView = true;
  // The vertical range is the automatic one, set by ScaleVertical, not typed.
  bool AutoScale = true;
  // The last refresh's sort criterion names no variable; the BaseFrames kept their order.
  bool UnknownSort = false;
  bool TimeMode = false;
  std::string FrameName, VarName, SortVar;
  // The holders of the packet files whose BaseFrames give the points.
  TData* DataA = nullptr;
  TData* DataB = nullptr;
  // Further variables drawn over this one, at most MaxPlotSeries - 1. They
  // take this series' sort criterion, mode, view and vertical range.
  std::vector<TPlotSeries> Overlays;
  // The series the read-out and the statistics follow (see SeriesAt).
  std::size_t Chosen = 0;

  // Series K of the plot: 0 this one, K the overlay K - 1.
  const TPlotSeries& SeriesAt(std::size_t K) const { return K == 0 ? *this : Overlays[K - 1]; }
  std::size_t SeriesCount() const { return Overlays.size() + 1; }
  const TPlotSeries& ChosenSeries() const { return SeriesAt(Chosen); }
  // Adds and builds an overlay of that variable, scaling vertically when the
  // range is the automatic one; false when the plot is full.
  bool AddOverlay(const TFramesDefinition& Definition, const std::string& FrameName, const std::string& VarName);
  // Gives the overlays this series' mode, view and vertical range.
  void ShareView();

  // Brings Series (and the overlays) up to every BaseFrame, ordered by the
  // sort criterion when it names a variable (sorted again in full), else in
  // file order (the new points appended), and in time mode TimeSeries too
  // (sorted again). The first refresh
  // resets the view; later ones keep its width on the newest points (index
  // mode) or times (time mode), and an automatic vertical range follows them
  // when the view moves. What each BaseFrame gives is kept, so a refresh
  // reads only the BaseFrames appended since the last one; lists of other
  // roots, another definition or other names start over.
  void RefreshSeries(const TFramesDefinition& Definition);
  // The definition rows whose values the series and its overlays take: of
  // their variables, the sort criterion and the PLOT_TIMEs.
  std::vector<std::int32_t> RowsInUse(const TFramesDefinition& Definition) const;
  // Takes what the BaseFrames Roots of list Source (0: DataA, 1: DataB)
  // give the series while a streaming pass hands them over; with both lists
  // empty, the next refresh builds the series from them.
  void TakeStreamedFrames(const TFramesDefinition& Definition, int Source, std::span<TDecodedNode* const> Roots);
  void ResetView();
  // Fits YMin / YMax to the points in view of every series with 10 % / 11 %
  // margins.
  void ScaleVertical();
  // TimeSeries := Series ordered by time.
  void SortTimeSeries();
  // "Time-scaled" switched on: the time series, the whole time range and the
  // vertical range fitted to it; switched off: the reset view.
  void SwitchTimeMode(bool On);

  // Pixel conversions for an area of Width x Height pixels.
  int ValueToPixel(double Value, int Height) const;
  int TimeToPixel(double Time, int Width) const;
  double PixelToTime(int X, int Width) const;
  // Index in TimeSeries of the point nearest to Time (ties to the earlier);
  // 0 for an empty series.
  std::int32_t NearestIndex(double Time) const;
  std::int32_t PixelToIndex(int X, int Width) const { return NearestIndex(PixelToTime(X, Width)); }
  // Index mode: pixels per index step for an area Width wide (a single point
  // in view counts as one step), an index's pixel and a pixel's index.
  double IndexPixels(int Width) const;
  int IndexToPixel(std::int64_t Index, double Pixels) const;
  std::int64_t PixelToSeriesIndex(int X, double Pixels) const;

  // The points the statistics cover: those in view.
  std::span<const TPlotPoint> PointsInView() const;
  // The statistics of the points in view.
  TPlotStatistics ViewStatistics() const;

  // The zoom of Drag; false when nothing moved.
  bool ApplyZoom(TPlotDrag Drag, int Width);

  // Enter in a limit edit: Text is read with the settings' decimal separator
  // (EConvertError when it is not a number, or not a whole number for the
  // index-mode x edits); a value outside its condition is ignored.
  void ApplyLimit(TLimitEdit Edit, const std::string& Text);

  // Line I: SerialNo and Time of the first series with a point I, then the
  // value of point I of every series ("-" where a series is shorter), CR LF.
  void WriteSeries(std::ostream& Out) const;

 private:
  bool HasTimeRange = false;  // TimeLow / TimeHigh hold a point's time

  struct TSource {
    TData* Data = nullptr;
    TPlotColumn Column;
  };
  struct TCollected {
    const TFramesDefinition* Definition = nullptr;
    TPlotNames Names;
    std::array<TSource, 2> Sources;
  } Collected;
  // What Series holds while it is in file order: the BaseFrames of each
  // source appended, where their points continue, and the time they left.
  struct TBuilt {
    bool InFileOrder = false;
    std::array<std::size_t, 2> Frames{}, NextPoint{};
    std::size_t Points = 0;
    double Time = 0;
  } Built;

  // Series, the time range and, in time mode, TimeSeries up to every BaseFrame.
  void RebuildSeries(const TFramesDefinition& Definition);
  // Series in file order: the points of the BaseFrames not in it yet
  // appended, or all again when they do not follow its last.
  void AppendNewFrames();
  // Series in the order of the sort criterion.
  void SortFrames();
  // The view of a refresh after the first: its width moved to the newest
  // points, or to the newest times but not before the first.
  void FollowNewestPoints();
  void FollowNewestTimes();
  void CollectNewFrames(const TFramesDefinition& Definition);
  // What was collected for this series' variables and lists, begun anew
  // when they changed.
  TCollected& CollectedFor(const TFramesDefinition& Definition);
  void RefreshOverlay(TPlotSeries& Overlay, const TFramesDefinition& Definition) const;
  // Widens Low / High to the values of the points from ViewStart to before ViewEnd.
  void WidenToView(double& Low, double& High) const;
  // The smallest and largest value and the sum of the values of Series from
  // Start to before End, in that order; kept while refreshes only append.
  struct TViewSums {
    std::int64_t Start = -1, End = 0;
    double Minimum = 0, Maximum = 0, Sum = 0;
    bool NotANumber = false;
  };
  mutable TViewSums Sums;
  // Those of the view in file order, Sums carried on to its end; none in
  // time mode, for an empty view, or when a value is not a number.
  const TViewSums* ViewSums() const;
  // Appends the points of BaseFrame Frame of Column, whose first point is
  // First, to Series with the running Time, then moves Time on.
  void AppendFrame(const TPlotColumn& Column, std::size_t Frame, std::size_t First, double& Time);
};
