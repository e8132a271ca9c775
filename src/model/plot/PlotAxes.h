#pragma once
// Round steps of a plot's axes and what stands at them: the time-mode grid
// and the labels of values, point numbers and times of day.
#include <string>
#include <vector>

#include "plot/PlotSeries.h"

struct TAxisLabel {
  int Position;  // y on the value axis, x on the bottom axis
  std::string Text;
  std::string Date;  // time axis: the date, where it differs from the label before
  bool operator==(const TAxisLabel&) const = default;
};

// The smallest of 1, 2 and 5 times a power of ten that is at least AtLeast.
double RoundStep(double AtLeast);

// The smallest round time step in seconds that is at least AtLeast and a
// multiple of Of: 1, 2, 5, 10, 30 s, 1, 2, 5, 10, 30 min, 1, 2, 6, 12 h, then
// 1, 2, 5, 10, 20, 50 ... days. Infinite when there is none.
double RoundTimeStep(double AtLeast, double Of = 1);

// Time mode on an area Width wide: the pixels of the vertical grid lines, at
// the round times of the clock (StartTime in days plus the time) with the
// smallest step that keeps them 40 pixels apart, each at least 40 pixels
// from the one before.
std::vector<int> TimeGridXs(const TPlotSeries& Plot, int Width, double StartTime);

// The value axis of an area Height high: values at a round step that keeps
// them 30 pixels apart.
std::vector<TAxisLabel> ValueLabels(const TPlotSeries& Plot, int Height);

// The bottom axis of an area Width wide. Index mode: point numbers at a round
// step that keeps them 60 pixels apart. Time mode: the clock's times of day
// (hh:mm:ss) at grid lines 80 pixels apart or more, with the date on the
// first label and where it changes.
std::vector<TAxisLabel> BottomLabels(const TPlotSeries& Plot, int Width, double StartTime);
