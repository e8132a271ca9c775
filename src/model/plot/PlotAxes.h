#pragma once
// Round steps of a plot's axes and the places they give: the time-mode grid.
#include <vector>

#include "plot/PlotSeries.h"

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
