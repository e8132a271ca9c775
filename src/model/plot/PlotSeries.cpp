#include "plot/PlotSeries.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "common/Convert.h"
#include "common/FloatText.h"
#include "common/FormatSettings.h"
#include "common/Rounding.h"
#include "structure/NameHash.h"
#include "structure/PlotTimeRow.h"

namespace {

int Compare(double A, double B) { return A == B ? 0 : A > B ? 1 : -1; }

// The classic quicksort: middle pivot taken once per partition, scans that
// stop at the pivot's equals, the left part sorted first. Equal keys do not
// keep their order. The parts are independent, so the smaller one is the one
// recursed into, which bounds the depth; the scans are bounded in case a
// comparison (NaN) is not consistent.
template <class T, class TKey>
void QuickSort(std::vector<T>& Items, std::ptrdiff_t L, std::ptrdiff_t R, const TKey& Key) {
  while (L < R) {
    std::ptrdiff_t I = L, J = R;
    const double Pivot = Key(Items[static_cast<std::size_t>((L + R) / 2)]);
    do {
      while (I < R && Compare(Key(Items[static_cast<std::size_t>(I)]), Pivot) < 0) ++I;
      while (J > L && Compare(Key(Items[static_cast<std::size_t>(J)]), Pivot) > 0) --J;
      if (I <= J) {
        std::swap(Items[static_cast<std::size_t>(I)], Items[static_cast<std::size_t>(J)]);
        ++I;
        --J;
      }
    } while (I <= J);
    if (J - L < R - I) {
      if (L < J) QuickSort(Items, L, J, Key);
      L = I;
    } else {
      if (I < R) QuickSort(Items, I, R, Key);
      R = J;
    }
  }
}

template <class T, class TKey>
void QuickSort(std::vector<T>& Items, const TKey& Key) {
  if (Items.size() > 1) QuickSort(Items, 0, static_cast<std::ptrdiff_t>(Items.size()) - 1, Key);
}

std::string NumberOrDash(bool Known, double Value) {
  return Known ? GeneralNumberText(Value, 8, -5, FormatSettings().DecimalSeparator) : "-";
}

}  // namespace

// Pixel coordinates stay within a range the painter handles.
int NearestPixel(double Value) {
  constexpr std::int64_t Limit = 1 << 24;
  return static_cast<int>(std::clamp<std::int64_t>(RoundHalfEven(Value), -Limit, Limit));
}

std::string FrameOfVariable(const TFramesDefinition& Definition, const std::string& VarName) {
  for (const TDefinitionEntry& Row : Definition.Entries)
    if (Row.VarName == VarName) return Row.FrameName;
  return {};
}

namespace {

// The mean and deviation of Points, whose smallest and largest value S holds.
TPlotStatistics WithSum(std::span<const TPlotPoint> Points, TPlotStatistics S, double Sum) {
  S.Mean = Sum / static_cast<double>(Points.size());
  if (Points.size() > 1) {
    double Squares = 0;
    for (const TPlotPoint& P : Points) Squares += (P.Value - S.Mean) * (P.Value - S.Mean);
    S.Deviation = std::sqrt(Squares / static_cast<double>(Points.size() - 1));
  }
  return S;
}

}  // namespace

TPlotStatistics Statistics(std::span<const TPlotPoint> Points) {
  TPlotStatistics S;
  S.Count = Points.size();
  if (Points.empty()) return S;
  S.Minimum = S.Maximum = Points.front().Value;
  double Sum = 0;
  for (const TPlotPoint& P : Points) {
    S.Minimum = std::min(S.Minimum, P.Value);
    S.Maximum = std::max(S.Maximum, P.Value);
    Sum += P.Value;
  }
  return WithSum(Points, S, Sum);
}

std::string StatisticsText(const TPlotStatistics& S) {
  const bool Any = S.Count > 0;
  return "Min: \r" + NumberOrDash(Any, S.Minimum) + "\r\rMax: \r" + NumberOrDash(Any, S.Maximum) + "\r\rMean: \r" +
         NumberOrDash(Any, S.Mean) + "\r\rStdDev: \r" + NumberOrDash(S.Count > 1, S.Deviation);
}

std::string LimitText(double Value) {
  if (!std::isfinite(Value)) return GeneralFloatText(Value);
  // Rounded to 7 significant digits first; more than 7 integer digits then go scientific.
  char Buffer[400];
  const auto End = std::to_chars(Buffer, Buffer + sizeof Buffer, Value, std::chars_format::scientific, 6).ptr;
  double Rounded = 0;
  std::from_chars(Buffer, End, Rounded);
  if (std::fabs(Rounded) >= 1e7) return GeneralNumberText(Value, 7, -5, FormatSettings().DecimalSeparator);
  std::string Text(Buffer, std::to_chars(Buffer, Buffer + sizeof Buffer, Rounded, std::chars_format::fixed, 3).ptr);
  if (Text == "-0.000") Text = "0.000";
  Text[Text.size() - 4] = FormatSettings().DecimalSeparator;
  return Text;
}

std::vector<std::int32_t> TPlotSeries::RowsInUse(const TFramesDefinition& Definition) const {
  std::vector<std::int32_t> Rows;
  for (std::size_t Row = 0; Row < Definition.Entries.size(); ++Row) {
    const TDefinitionEntry& E = Definition.Entries[Row];
    bool Used = IsPlotTimeRow(E) || (!SortVar.empty() && E.VarName == SortVar);
    for (std::size_t K = 0; K < SeriesCount(); ++K)
      Used = Used || (E.FrameName == SeriesAt(K).FrameName && E.VarName == SeriesAt(K).VarName);
    if (Used) Rows.push_back(static_cast<std::int32_t>(Row));
  }
  return Rows;
}

void TPlotSeries::RefreshSeries(const TFramesDefinition& Definition) {
  for (TPlotSeries& Overlay : Overlays) RefreshOverlay(Overlay, Definition);
  RebuildSeries(Definition);
  if (AutoView) {
    ResetView();
    AutoView = false;
    return;
  }
  if (TimeMode) FollowNewestTimes();
  else FollowNewestPoints();
}

void TPlotSeries::RebuildSeries(const TFramesDefinition& Definition) {
  CollectNewFrames(Definition);
  // A criterion that names no variable would give every BaseFrame the missing value.
  UnknownSort = !SortVar.empty() && !Definition.HasRow(nullptr, SortVar);
  if (SortVar.empty() || UnknownSort) AppendNewFrames();
  else SortFrames();
  if (TimeMode) SortTimeSeries();
}

void TPlotSeries::AppendNewFrames() {
  const TPlotColumn& First = Collected.Sources[0].Column;
  // New BaseFrames of the first source go before those of the second.
  if (!Built.InFileOrder || Series.size() != Built.Points ||
      (Built.Frames[1] > 0 && Built.Frames[0] < First.Frames())) {
    Series.clear();
    Sums = {};
    Built = {};
    Built.InFileOrder = true;
  }
  if (Series.empty()) {
    std::size_t Points = 0;
    for (const TSource& Source : Collected.Sources) Points += Source.Column.Points().size();
    // Room for tracking too, so that the next ticks copy nothing.
    Series.reserve(Points + Points / 4);
  }
  for (std::size_t K = 0; K < Collected.Sources.size(); ++K) {
    const TPlotColumn& Column = Collected.Sources[K].Column;
    std::size_t& Point = Built.NextPoint[K];
    for (std::size_t& Frame = Built.Frames[K]; Frame < Column.Frames(); ++Frame) {
      AppendFrame(Column, Frame, Point, Built.Time);
      Point += Column.PointCount(Frame);
    }
  }
  Built.Points = Series.size();
}

void TPlotSeries::SortFrames() {
  Built = {};
  struct TKeyed {
    double Key;
    std::uint32_t Source, Frame;
  };
  std::vector<TKeyed> Keyed;
  std::size_t Points = 0, Frames = 0;
  for (const TSource& Source : Collected.Sources) {
    Points += Source.Column.Points().size();
    Frames += Source.Column.Frames();
  }
  Keyed.reserve(Frames);
  for (std::uint32_t K = 0; K < Collected.Sources.size(); ++K) {
    const TPlotColumn& Column = Collected.Sources[K].Column;
    for (std::uint32_t Frame = 0; Frame < Column.Frames(); ++Frame) Keyed.push_back({Column.Key(Frame), K, Frame});
  }
  QuickSort(Keyed, [](const TKeyed& Item) { return Item.Key; });
  Series.clear();
  Sums = {};
  Series.reserve(Points);
  double Time = 0;
  for (const TKeyed& Item : Keyed) {
    const TPlotColumn& Column = Collected.Sources[Item.Source].Column;
    AppendFrame(Column, Item.Frame, Column.FirstPoint(Item.Frame), Time);
  }
}

void TPlotSeries::AppendFrame(const TPlotColumn& Column, std::size_t Frame, std::size_t First, double& Time) {
  const std::vector<TPlotColumn::TPoint>& Points = Column.Points();
  for (std::size_t I = First; I < First + Column.PointCount(Frame); ++I) {
    const TPlotColumn::TPoint& Point = Points[I];
    const double PointTime = Point.OwnTime ? Point.Time : Time;
    Series.push_back({Point.Value, PointTime, Point.SerialNo});
    if (!HasTimeRange) TimeLow = TimeHigh = PointTime;
    HasTimeRange = true;
    TimeHigh = std::max(TimeHigh, PointTime);
    TimeLow = std::min(TimeLow, PointTime);
  }
  if (Column.SetsTime(Frame)) Time = Column.LastTime(Frame);
}

void TPlotSeries::FollowNewestPoints() {
  // A typed start far before the series makes the span exceed 32 bits.
  const std::int64_t Span = std::max<std::int64_t>(static_cast<std::int64_t>(ViewEnd) - ViewStart, 2);
  const std::int32_t Start = ViewStart, End = ViewEnd;
  ViewEnd = static_cast<std::int32_t>(std::min<std::size_t>(Series.size(), std::numeric_limits<std::int32_t>::max()));
  ViewStart = static_cast<std::int32_t>(std::max<std::int64_t>(ViewEnd - Span, 0));
  if (AutoScale && (ViewStart != Start || ViewEnd != End)) ScaleVertical();
}

void TPlotSeries::FollowNewestTimes() {
  const double Min = XMin, Max = XMax;
  // A range without a span (times all alike so far) widens to every time.
  const double Span = XMax - XMin;
  XMax = TimeHigh;
  XMin = Span > 0 ? std::max(TimeHigh - Span, TimeLow) : TimeLow;
  ViewStart = NearestIndex(XMin);
  ViewEnd = NearestIndex(XMax);
  if (AutoScale && (XMin != Min || XMax != Max)) ScaleVertical();
}

void TPlotSeries::RefreshOverlay(TPlotSeries& Overlay, const TFramesDefinition& Definition) const {
  Overlay.SortVar = SortVar;
  Overlay.DataA = DataA;
  Overlay.DataB = DataB;
  Overlay.TimeMode = TimeMode;
  Overlay.RebuildSeries(Definition);
}

bool TPlotSeries::AddOverlay(const TFramesDefinition& Definition, const std::string& Frame, const std::string& Var) {
  if (SeriesCount() >= MaxPlotSeries) return false;
  TPlotSeries& Overlay = Overlays.emplace_back();
  Overlay.FrameName = Frame;
  Overlay.VarName = Var;
  RefreshOverlay(Overlay, Definition);
  if (AutoScale) ScaleVertical();
  return true;
}

void TPlotSeries::ShareView() {
  for (TPlotSeries& Overlay : Overlays) {
    Overlay.TimeMode = TimeMode;
    Overlay.XMin = XMin;
    Overlay.XMax = XMax;
    Overlay.YMin = YMin;
    Overlay.YMax = YMax;
    Overlay.ViewStart = TimeMode ? Overlay.NearestIndex(XMin) : ViewStart;
    Overlay.ViewEnd = TimeMode ? Overlay.NearestIndex(XMax) : ViewEnd;
  }
}

void TPlotSeries::CollectNewFrames(const TFramesDefinition& Definition) {
  TCollected& C = CollectedFor(Definition);
  for (TSource& Source : C.Sources)
    if (Source.Data) Source.Column.TakeColumns(Definition, C.Names, *Source.Data);
}

void TPlotSeries::TakeStreamedFrames(const TFramesDefinition& Definition, int Source,
                                     std::span<TDecodedNode* const> Roots) {
  TCollected& C = CollectedFor(Definition);
  // The files after the first follow one another in the second source.
  TPlotColumn& Column = C.Sources[Source == 0 ? 0 : 1].Column;
  for (const TDecodedNode* Root : Roots) Column.Take(Definition, C.Names, Root->Child);
}

TPlotSeries::TCollected& TPlotSeries::CollectedFor(const TFramesDefinition& Definition) {
  TCollected& C = Collected;
  if (C.Definition != &Definition || C.Names.FrameName != FrameName || C.Names.VarName != VarName ||
      C.Names.SortVar != SortVar || C.Sources[0].Data != DataA || C.Sources[1].Data != DataB) {
    C = TCollected{};
    Built = {};
    C.Definition = &Definition;
    C.Names = {FrameName, VarName, SortVar, DJBHash(FrameName), DJBHash(VarName), DJBHash(SortVar)};
    C.Sources[0].Data = DataA;
    C.Sources[1].Data = DataB;
  }
  return C;
}

void TPlotSeries::ResetView() {
  ViewStart = 0;
  ViewEnd = static_cast<std::int32_t>(std::min<std::size_t>(Series.size(), std::numeric_limits<std::int32_t>::max()));
  XMin = TimeLow;
  XMax = TimeHigh;
  ScaleVertical();
}

void TPlotSeries::ScaleVertical() {
  AutoScale = true;
  YMin = 1000000.0;
  YMax = -1000000.0;
  if (TimeMode) {
    ViewStart = NearestIndex(XMin);
    ViewEnd = NearestIndex(XMax);
  }
  ShareView();
  for (std::size_t K = 0; K < SeriesCount(); ++K) SeriesAt(K).WidenToView(YMin, YMax);
  if (YMin == YMax) {
    YMin -= 0.1;
    YMax += 0.1;
  } else {
    YMin -= 0.1 * std::fabs(YMax - YMin);
    YMax += 0.1 * std::fabs(YMax - YMin);
  }
}

void TPlotSeries::WidenToView(double& Low, double& High) const {
  // Without NaN the order of the comparisons does not matter.
  if (const TViewSums* Known = ViewSums()) {
    Low = std::min(Low, Known->Minimum);
    High = std::max(High, Known->Maximum);
    return;
  }
  const std::vector<TPlotPoint>& Points = TimeMode ? TimeSeries : Series;
  const auto End = std::min<std::int64_t>(ViewEnd, static_cast<std::int64_t>(Points.size()));
  for (std::int64_t I = std::max(ViewStart, 0); I < End; ++I) {
    Low = std::min(Low, Points[static_cast<std::size_t>(I)].Value);
    High = std::max(High, Points[static_cast<std::size_t>(I)].Value);
  }
}

void TPlotSeries::SortTimeSeries() {
  TimeSeries = Series;
  QuickSort(TimeSeries, [](const TPlotPoint& Point) { return Point.Time; });
}

void TPlotSeries::SwitchTimeMode(bool On) {
  TimeMode = On;
  if (!On) {
    ResetView();
    return;
  }
  SortTimeSeries();
  for (TPlotSeries& Overlay : Overlays) Overlay.SortTimeSeries();
  XMin = TimeLow;
  XMax = TimeHigh;
  ScaleVertical();
}

int TPlotSeries::ValueToPixel(double Value, int Height) const {
  const double Scale = Height / (YMax - YMin);
  return NearestPixel(Height - static_cast<double>(RoundHalfEven(Scale * Value - Scale * YMin)));
}

int TPlotSeries::TimeToPixel(double Time, int Width) const {
  if (XMax == XMin) return 0;
  return NearestPixel((Time - XMin) / (XMax - XMin) * Width);
}

double TPlotSeries::IndexPixels(int Width) const {
  return Width / static_cast<double>(std::max<std::int64_t>(static_cast<std::int64_t>(ViewEnd) - ViewStart - 1, 1));
}

// From a typed start far before the series the distance exceeds 32 bits.
int TPlotSeries::IndexToPixel(std::int64_t Index, double Pixels) const {
  return NearestPixel(static_cast<double>(Index - ViewStart) * Pixels);
}

std::int64_t TPlotSeries::PixelToSeriesIndex(int X, double Pixels) const {
  return RoundHalfEven(X / Pixels + ViewStart);
}

double TPlotSeries::PixelToTime(int X, int Width) const { return Width > 0 ? XMin + (XMax - XMin) * X / Width : XMin; }

std::int32_t TPlotSeries::NearestIndex(double Time) const {
  if (TimeSeries.empty()) return 0;
  const auto Last = static_cast<std::int32_t>(TimeSeries.size() - 1);
  const auto First =
      std::find_if(TimeSeries.begin(), TimeSeries.end(), [Time](const TPlotPoint& P) { return P.Time >= Time; });
  std::int32_t B = std::min(static_cast<std::int32_t>(First - TimeSeries.begin()), Last);
  if (B == 0) B = 1;
  if (B > Last) return 0;  // a single point
  const double Before = std::fabs(Time - TimeSeries[static_cast<std::size_t>(B - 1)].Time);
  const double At = std::fabs(Time - TimeSeries[static_cast<std::size_t>(B)].Time);
  return Before > At ? B : B - 1;
}

const TPlotSeries::TViewSums* TPlotSeries::ViewSums() const {
  const std::int64_t Start = std::max<std::int64_t>(ViewStart, 0);
  const std::int64_t End = std::min<std::int64_t>(ViewEnd, static_cast<std::int64_t>(Series.size()));
  if (TimeMode || Start >= End) return nullptr;
  const auto ValueAt = [&](std::int64_t I) { return Series[static_cast<std::size_t>(I)].Value; };
  if (Sums.Start != Start || Sums.End > End) Sums = {Start, Start, ValueAt(Start), ValueAt(Start), 0, false};
  for (std::int64_t I = Sums.End; I < End; ++I) {
    const double Value = ValueAt(I);
    Sums.Minimum = std::min(Sums.Minimum, Value);
    Sums.Maximum = std::max(Sums.Maximum, Value);
    Sums.Sum += Value;
    Sums.NotANumber = Sums.NotANumber || std::isnan(Value);
  }
  Sums.End = End;
  return Sums.NotANumber ? nullptr : &Sums;
}

TPlotStatistics TPlotSeries::ViewStatistics() const {
  const std::span<const TPlotPoint> Points = PointsInView();
  const TViewSums* Known = ViewSums();
  if (!Known) return Statistics(Points);
  TPlotStatistics S;
  S.Count = Points.size();
  S.Minimum = Known->Minimum;
  S.Maximum = Known->Maximum;
  return WithSum(Points, S, Known->Sum);
}

std::span<const TPlotPoint> TPlotSeries::PointsInView() const {
  std::int64_t From = ViewStart, To = ViewEnd;
  if (TimeMode) {
    if (TimeSeries.empty()) return {};
    From = NearestIndex(XMin);
    To = NearestIndex(XMax) + 1;
  }
  const std::vector<TPlotPoint>& Points = TimeMode ? TimeSeries : Series;
  From = std::max<std::int64_t>(From, 0);
  To = std::min<std::int64_t>(To, static_cast<std::int64_t>(Points.size()));
  if (From >= To) return {};
  return std::span(Points).subspan(static_cast<std::size_t>(From), static_cast<std::size_t>(To - From));
}

bool TPlotSeries::ApplyZoom(TPlotDrag Drag, int Width) {
  if (TimeMode ? Drag.ToX == Drag.FromX : Drag.To == Drag.From) return false;
  if (Drag.From > Drag.To) std::swap(Drag.From, Drag.To);
  ViewStart = Drag.From;
  ViewEnd = Drag.To + 1;
  if (TimeMode) {
    if (Drag.FromX > Drag.ToX) std::swap(Drag.FromX, Drag.ToX);
    // Both edges are read in the range the band was drawn in.
    const double From = PixelToTime(Drag.FromX, Width), To = PixelToTime(Drag.ToX, Width);
    XMin = From;
    XMax = To;
    ViewStart = NearestIndex(From);
    ViewEnd = NearestIndex(To);
  }
  return true;
}

void TPlotSeries::ApplyLimit(TLimitEdit Edit, const std::string& Text) {
  const bool WholeNumber = !TimeMode && (Edit == TLimitEdit::MinX || Edit == TLimitEdit::MaxX);
  if (WholeNumber) {
    const std::int64_t V = StrToInt(Text);
    if (Edit == TLimitEdit::MinX && V < ViewEnd) ViewStart = static_cast<std::int32_t>(V);
    if (Edit == TLimitEdit::MaxX && V > ViewStart)
      ViewEnd = static_cast<std::int32_t>(std::min<std::int64_t>(V + 1, std::numeric_limits<std::int32_t>::max()));
    return;
  }
  const double V = StrToFloat(Text);
  switch (Edit) {
    case TLimitEdit::MinY:
      if (V < YMax) {
        YMin = V;
        AutoScale = false;
      }
      break;
    case TLimitEdit::MaxY:
      if (V > YMin) {
        YMax = V;
        AutoScale = false;
      }
      break;
    case TLimitEdit::MinX:
      if (V < XMax) XMin = V;
      break;
    case TLimitEdit::MaxX:
      if (V > XMin) XMax = V;
      break;
  }
}

void TPlotSeries::WriteSeries(std::ostream& Out) const {
  std::size_t Rows = 0;
  for (std::size_t K = 0; K < SeriesCount(); ++K) Rows = std::max(Rows, SeriesAt(K).Series.size());
  std::string Line;
  for (std::size_t I = 0; I < Rows; ++I) {
    const TPlotSeries* First = this;
    for (std::size_t K = 0; First->Series.size() <= I; ++K) First = &SeriesAt(K);
    Line = std::to_string(First->Series[I].SerialNo);
    Line += ' ';
    AppendFixedScientificText(Line, First->Series[I].Time);
    for (std::size_t K = 0; K < SeriesCount(); ++K) {
      const std::vector<TPlotPoint>& Points = SeriesAt(K).Series;
      Line += ' ';
      if (I < Points.size()) AppendFixedScientificText(Line, Points[I].Value);
      else Line += '-';
    }
    Line += "\r\n";
    Out.write(Line.data(), static_cast<std::streamsize>(Line.size()));
  }
}
