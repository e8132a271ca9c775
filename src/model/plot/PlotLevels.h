#pragma once
// The alarm thresholds a plot shows as lines: those of the active alarms on
// its variables, and their warning levels.
#include <vector>

#include "plot/PlotSeries.h"
#include "project/ProjectFile.h"

struct TLevel {
  double Value;
  bool Warning;  // a warning level, not the alarm's threshold
  bool operator==(const TLevel&) const = default;
};

struct TLevelRow {
  int Y;
  bool Warning;
  bool operator==(const TLevelRow&) const = default;
};

// The levels of the active alarms whose variable is one of the plot's series.
std::vector<TLevel> PlotLevels(const std::vector<TProjectAlarm>& Alarms, const TPlotSeries& Plot);

// The rows of the levels that lie inside an area Height high.
std::vector<TLevelRow> LevelRows(const TPlotSeries& Plot, const std::vector<TLevel>& Levels, int Height);
