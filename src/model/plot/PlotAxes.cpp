#include "plot/PlotAxes.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "common/DateTime.h"
#include "common/FloatText.h"

namespace {

constexpr double SecondsPerDay = 86400;
// Least distances in pixels: grid lines, and labels by the room their texts take.
constexpr int GridSpacing = 40;
constexpr int ValueLabelSpacing = 30;
constexpr int IndexLabelSpacing = 60;
constexpr int TimeLabelSpacing = 80;

// Round time steps up to half a day, in seconds; longer ones are whole days.
constexpr double ClockSteps[] = {1, 2, 5, 10, 30, 60, 120, 300, 600, 1800, 3600, 7200, 21600, 43200};

bool IsMultiple(double Step, double Of) { return std::fmod(Step, Of) == 0; }

// The multiples of Step from Low to High, at most Most of them; a multiple
// that only rounding puts beyond an end counts (3 x 0.1 up to 0.3).
std::vector<double> Multiples(double Low, double High, double Step, int Most) {
  std::vector<double> Values;
  if (!(Step > 0) || !std::isfinite(Step) || !std::isfinite(Low) || !std::isfinite(High)) return Values;
  constexpr double Rounding = 1e-9;
  const double First = std::ceil(Low / Step - Rounding);
  for (int I = 0; I < Most; ++I) {
    const double Value = (First + I) * Step;
    if (Value > High + Rounding * Step) break;
    Values.push_back(Value);
  }
  return Values;
}

// The round times of the clock in the time view, in seconds from day 0, at a
// step that keeps them Spacing pixels apart and is a multiple of the grid's.
struct TClockTimes {
  double Offset = 0;  // the clock at time 0
  std::vector<double> Times;
};

TClockTimes ClockTimes(const TPlotSeries& Plot, int Width, double StartTime, int Spacing) {
  TClockTimes Clock;
  const double Px = Width / (Plot.XMax - Plot.XMin);
  if (!std::isfinite(Px) || Px <= 0) return Clock;
  Clock.Offset = StartTime * SecondsPerDay;
  const double Step = RoundTimeStep(Spacing / Px, RoundTimeStep(GridSpacing / Px));
  Clock.Times = Multiples(Plot.XMin + Clock.Offset, Plot.XMax + Clock.Offset, Step, Width / Spacing + 2);
  return Clock;
}

}  // namespace

double RoundStep(double AtLeast) {
  const double Power = std::pow(10.0, std::floor(std::log10(AtLeast)));
  for (const double Factor : {1.0, 2.0, 5.0})
    if (Factor * Power >= AtLeast) return Factor * Power;
  return 10 * Power;
}

double RoundTimeStep(double AtLeast, double Of) {
  for (const double Step : ClockSteps)
    if (Step >= AtLeast && IsMultiple(Step, Of)) return Step;
  // Half as much again always reaches the next 1, 2 or 5 days.
  for (double Days = RoundStep(std::max(AtLeast / SecondsPerDay, 1.0)); std::isfinite(Days);
       Days = RoundStep(Days * 1.5))
    if (IsMultiple(Days * SecondsPerDay, Of)) return Days * SecondsPerDay;
  return std::numeric_limits<double>::infinity();
}

std::vector<int> TimeGridXs(const TPlotSeries& Plot, int Width, double StartTime) {
  std::vector<int> Xs;
  const TClockTimes Clock = ClockTimes(Plot, Width, StartTime, GridSpacing);
  for (const double Time : Clock.Times) {
    const int X = Plot.TimeToPixel(Time - Clock.Offset, Width);
    if (Xs.empty() || X - Xs.back() >= GridSpacing) Xs.push_back(X);
  }
  return Xs;
}

std::vector<TAxisLabel> ValueLabels(const TPlotSeries& Plot, int Height) {
  std::vector<TAxisLabel> Labels;
  const double Low = std::min(Plot.YMin, Plot.YMax), High = std::max(Plot.YMin, Plot.YMax);
  const double Step = RoundStep(ValueLabelSpacing * (High - Low) / Height);
  for (const double Value : Multiples(Low, High, Step, Height / ValueLabelSpacing + 2))
    Labels.push_back({Plot.ValueToPixel(Value, Height), GeneralFloatText(Value), ""});
  return Labels;
}

std::vector<TAxisLabel> BottomLabels(const TPlotSeries& Plot, int Width, double StartTime) {
  std::vector<TAxisLabel> Labels;
  if (Plot.TimeMode) {
    const TClockTimes Clock = ClockTimes(Plot, Width, StartTime, TimeLabelSpacing);
    std::string LastDate;
    for (const double Time : Clock.Times) {
      const double Day = Time / SecondsPerDay;
      std::string Date = DateText(Day);
      Labels.push_back({Plot.TimeToPixel(Time - Clock.Offset, Width), FormatDateTime("HH:mm:ss", Day),
                        Date == LastDate ? "" : Date});
      LastDate = std::move(Date);
    }
    return Labels;
  }
  const double Px = Plot.IndexPixels(Width);
  const double Step = std::max(1.0, RoundStep(IndexLabelSpacing / Px));
  const double Last = static_cast<double>(Plot.ViewEnd) - 1;
  for (const double Index : Multiples(Plot.ViewStart, Last, Step, Width / IndexLabelSpacing + 2)) {
    const auto I = static_cast<std::int64_t>(Index);
    Labels.push_back({Plot.IndexToPixel(I, Px), std::to_string(I), ""});
  }
  return Labels;
}
