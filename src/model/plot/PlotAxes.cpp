#include "plot/PlotAxes.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double SecondsPerDay = 86400;
constexpr int GridSpacing = 40;

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

// Pixels per second in time mode; 0 without a time range.
double PixelsPerSecond(const TPlotSeries& Plot, int Width) {
  const double Px = Width / (Plot.XMax - Plot.XMin);
  return std::isfinite(Px) && Px > 0 ? Px : 0;
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
  const double Px = PixelsPerSecond(Plot, Width);
  if (Px == 0) return Xs;
  const double Offset = StartTime * SecondsPerDay;
  const double Step = RoundTimeStep(GridSpacing / Px);
  for (const double Clock : Multiples(Plot.XMin + Offset, Plot.XMax + Offset, Step, Width / GridSpacing + 2)) {
    const int X = Plot.TimeToPixel(Clock - Offset, Width);
    if (Xs.empty() || X - Xs.back() >= GridSpacing) Xs.push_back(X);
  }
  return Xs;
}
