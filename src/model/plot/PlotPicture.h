#pragma once
// What one full drawing of a plot consists of, computed without a screen:
// the silver grid, the traces, the alarm levels, the axis labels and the
// texts that come with it.
#include <string>
#include <vector>

#include "plot/PlotAxes.h"
#include "plot/PlotLevels.h"
#include "plot/PlotSeries.h"

struct TPixel {
  int X, Y;
  bool operator==(const TPixel&) const = default;
};

struct TPlotLine {
  TPixel From, To;
  bool operator==(const TPlotLine&) const = default;
};

struct TPlotPicture {
  // False when there is no point in view: the area stays black and the
  // texts keep what they show.
  bool Drawn = false;
  std::vector<TPlotLine> Grid;
  // The trace from its first point on, thinned (ThinTrace); empty when
  // nothing is drawn.
  std::vector<TPixel> Trace;
  // The same for each overlay, in order.
  std::vector<std::vector<TPixel>> OverlayTraces;
  // The alarm and warning levels inside the area, as rows.
  std::vector<TLevelRow> Levels;
  std::string LabelMinX, LabelMaxX, EditMinY, EditMaxY, StatText;
  std::vector<TAxisLabel> ValueLabels, BottomLabels;
};

// The drawing of the view on an area of Width x Height pixels; StartTime is
// the Offset Time (days) the time-mode grid and labels keep to. Scales the
// series vertically first when its range is empty. The statistics are those
// of the chosen series.
TPlotPicture DrawPlot(TPlotSeries& Plot, int Width, int Height, double StartTime = 0,
                      const std::vector<TLevel>& Levels = {});

// At most four points per pixel column whose polyline, drawn with a
// one-pixel pen, covers each column as Trace's does: of each run of more
// than four points in one column, the first, the lowest, the highest and
// the last. The pen may still colour a point's own pixel differently where
// two segments join.
std::vector<TPixel> ThinTrace(const std::vector<TPixel>& Trace);

// The same point by point, so that a trace of millions of points in view is
// never held whole.
class TTraceThinner {
 public:
  void Add(TPixel Point);
  // More than four points of First's column, from First to LastPoint, whose
  // pixels lie from LowY to HighY.
  void AddRun(TPixel First, int LowY, int HighY, TPixel LastPoint, std::size_t Points);
  std::vector<TPixel> Take();

 private:
  void EndColumn();
  std::vector<TPixel> Thin;
  TPixel Run[4]{};  // the column's first points
  TPixel Low{}, High{}, Last{};
  std::size_t Count = 0;  // of the column's points
};
