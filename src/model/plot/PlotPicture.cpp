#include "plot/PlotPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/FloatText.h"
#include "common/Rounding.h"

namespace {

void AddGrid(const TPlotSeries& Plot, int Width, int Height, double Px, double Py, double StartTime,
             TPlotPicture& Picture) {
  const int Zero = Plot.ValueToPixel(0, Height);
  if (Zero > 0 && Zero < Height) {
    Picture.Grid.push_back({{0, Zero}, {Width - 1, Zero}});
    Picture.Grid.push_back({{0, Zero + 1}, {Width - 1, Zero + 1}});
  }
  if (Plot.TimeMode) {
    if (Plot.TimeSeries.empty() || Plot.XMax == Plot.XMin) return;
    for (const int X : TimeGridXs(Plot, Width, StartTime)) Picture.Grid.push_back({{X, 0}, {X, Height}});
  } else if (Px >= 10) {
    const std::int64_t Count = std::llabs(static_cast<std::int64_t>(Plot.ViewStart) - Plot.ViewEnd);
    for (std::int64_t D = 1; D < Count; ++D) {
      const int X = NearestPixel(static_cast<double>(D) * Px);
      Picture.Grid.push_back({{X, 0}, {X, Height}});
    }
  }
  if (Py >= 10)
    for (std::int64_t V = RoundHalfEven(Plot.YMin); V <= RoundHalfEven(Plot.YMax); ++V) {
      const int Y = Plot.ValueToPixel(static_cast<double>(V), Height);
      Picture.Grid.push_back({{0, Y}, {Width, Y}});
    }
}

std::vector<TPixel> TimeTrace(const TPlotSeries& Plot, int Height, double Px) {
  TTraceThinner Trace;
  const std::vector<TPlotPoint>& Points = Plot.TimeSeries;
  if (Points.empty() || Plot.XMax == Plot.XMin) return {};
  const auto First =
      std::find_if(Points.begin(), Points.end(), [&](const TPlotPoint& P) { return P.Time >= Plot.XMin; });
  std::size_t I = static_cast<std::size_t>(First - Points.begin());
  if (I >= 2) --I;
  I = std::min(I, Points.size() - 1);
  const auto PointOf = [&](std::size_t K) {
    return TPixel{NearestPixel((Points[K].Time - Plot.XMin) * Px), Plot.ValueToPixel(Points[K].Value, Height)};
  };
  Trace.Add(PointOf(I));
  for (; I < Points.size() && Points[I].Time < Plot.XMax; ++I) Trace.Add(PointOf(I));
  // One more point, so that the line runs to the right edge.
  if (I < Points.size()) Trace.Add(PointOf(I));
  return Trace.Take();
}

// The first index after From, up to To, whose pixel column is not X.
std::int64_t ColumnEnd(const TPlotSeries& Plot, std::int64_t From, std::int64_t To, int X, double Px) {
  std::int64_t Low = From + 1, High = To;
  while (Low < High) {
    const std::int64_t Middle = Low + (High - Low) / 2;
    if (Plot.IndexToPixel(Middle, Px) == X) Low = Middle + 1;
    else High = Middle;
  }
  return Low;
}

std::vector<TPixel> IndexTrace(const TPlotSeries& Plot, int Height, double Px) {
  TTraceThinner Trace;
  // Typed limits may reach beyond the series; only its points are drawn.
  const std::int64_t Start = Plot.ViewStart;
  const std::int64_t From = std::max<std::int64_t>(Start, 0);
  const std::int64_t To = std::min<std::int64_t>(Plot.ViewEnd, static_cast<std::int64_t>(Plot.Series.size()));
  if (From >= To) return {};
  const auto ValueAt = [&](std::int64_t I) { return Plot.Series[static_cast<std::size_t>(I)].Value; };
  const auto PixelAt = [&](std::int64_t I) {
    return TPixel{Plot.IndexToPixel(I, Px), Plot.ValueToPixel(ValueAt(I), Height)};
  };
  const int StartX = From == Start ? 0 : Plot.IndexToPixel(From, Px);
  Trace.Add({StartX, Plot.ValueToPixel(ValueAt(From), Height)});
  // With more than four points to a column, each column is taken whole: its
  // lowest and highest pixels are those of its smallest and largest values.
  const bool Crowded = Px < 0.25;
  for (std::int64_t I = From; I < To;) {
    const int X = Plot.IndexToPixel(I, Px);
    const std::int64_t End = Crowded ? ColumnEnd(Plot, I, To, X, Px) : I + 1;
    double Smallest = ValueAt(I), Largest = Smallest;
    bool Numbers = End - I > 4;
    for (std::int64_t K = I; Numbers && K < End; ++K) {
      const double Value = ValueAt(K);
      Numbers = !std::isnan(Value);
      Smallest = std::min(Smallest, Value);
      Largest = std::max(Largest, Value);
    }
    if (!Numbers) {
      for (; I < End; ++I) Trace.Add(PixelAt(I));
      continue;
    }
    const int A = Plot.ValueToPixel(Smallest, Height), B = Plot.ValueToPixel(Largest, Height);
    Trace.AddRun(PixelAt(I), std::min(A, B), std::max(A, B), PixelAt(End - 1), static_cast<std::size_t>(End - I));
    I = End;
  }
  return Trace.Take();
}

}  // namespace

TPlotPicture DrawPlot(TPlotSeries& Plot, int Width, int Height, double StartTime, const std::vector<TLevel>& Levels) {
  TPlotPicture Picture;
  if (Plot.ViewEnd == 0 || Width <= 0 || Height <= 0) return Picture;
  if (Plot.YMin == Plot.YMax) Plot.ScaleVertical();
  Picture.Drawn = true;
  // A zero time span or a single point in view has no horizontal scale.
  const double TimeSpan = Plot.XMax - Plot.XMin;
  const double Px = Plot.TimeMode ? (TimeSpan != 0 ? Width / TimeSpan : 0) : Plot.IndexPixels(Width);
  const double Py = Height / (Plot.YMax - Plot.YMin);
  AddGrid(Plot, Width, Height, Px, Py, StartTime, Picture);
  Plot.ShareView();
  const auto TraceOf = [&](const TPlotSeries& Series) {
    return Plot.TimeMode ? TimeTrace(Series, Height, Px) : IndexTrace(Series, Height, Px);
  };
  Picture.Trace = TraceOf(Plot);
  for (const TPlotSeries& Overlay : Plot.Overlays) Picture.OverlayTraces.push_back(TraceOf(Overlay));
  Picture.LabelMinX = Plot.TimeMode ? GeneralFloatText(Plot.XMin) : std::to_string(Plot.ViewStart);
  Picture.LabelMaxX =
      Plot.TimeMode ? GeneralFloatText(Plot.XMax) : std::to_string(static_cast<std::int64_t>(Plot.ViewEnd) - 1);
  Picture.Levels = LevelRows(Plot, Levels, Height);
  Picture.ValueLabels = ValueLabels(Plot, Height);
  Picture.BottomLabels = BottomLabels(Plot, Width, StartTime);
  Picture.EditMinY = LimitText(Plot.YMin);
  Picture.EditMaxY = LimitText(Plot.YMax);
  Picture.StatText = StatisticsText(Plot.ChosenSeries().ViewStatistics());
  return Picture;
}

// The vertical segments within a column cover the span from its lowest to
// its highest point, whatever their order; the segments into and out of the
// column start at its first point and end at its last.
std::vector<TPixel> ThinTrace(const std::vector<TPixel>& Trace) {
  TTraceThinner Thinner;
  for (const TPixel& Point : Trace) Thinner.Add(Point);
  return Thinner.Take();
}

void TTraceThinner::Add(TPixel Point) {
  if (Count > 0 && Point.X != Run[0].X) EndColumn();
  if (Count == 0) Low = High = Point;
  if (Point.Y < Low.Y) Low = Point;
  if (Point.Y > High.Y) High = Point;
  if (Count < 4) Run[Count] = Point;
  Last = Point;
  ++Count;
}

void TTraceThinner::AddRun(TPixel First, int LowY, int HighY, TPixel LastPoint, std::size_t Points) {
  Add(First);
  if (LowY < Low.Y) Low = {First.X, LowY};
  if (HighY > High.Y) High = {First.X, HighY};
  Last = LastPoint;
  Count += Points - 1;
}

std::vector<TPixel> TTraceThinner::Take() {
  EndColumn();
  return std::move(Thin);
}

void TTraceThinner::EndColumn() {
  if (Count <= 4) Thin.insert(Thin.end(), Run, Run + Count);
  else Thin.insert(Thin.end(), {Run[0], Low, High, Last});
  Count = 0;
}
