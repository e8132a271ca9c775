#pragma once
// The rows a table keeps: those of the BaseFrames whose number in their file
// lies in [FirstFrame, EndFrame) and, when bounded, whose time (seconds) lies
// in [From, To); a row without a time is outside any time bound.
#include <cstdint>
#include <limits>
#include <optional>

#include "table/TableColumns.h"

struct TRowRange {
  std::int64_t FirstFrame = 0;
  std::int64_t EndFrame = std::numeric_limits<std::int64_t>::max();
  std::optional<double> From, To;

  bool Holds(std::int64_t Frame, const TPlotTime& Time) const {
    if (Frame < FirstFrame || Frame >= EndFrame) return false;
    if (!From && !To) return true;
    return Time.Known && (!From || Time.Time >= *From) && (!To || Time.Time < *To);
  }
  // Whether every BaseFrame of a file after its first Frames is outside (at
  // least one BaseFrame met, which tells the file holds some).
  bool Passed(std::int64_t Frames) const { return Frames > 0 && Frames >= EndFrame; }
};
