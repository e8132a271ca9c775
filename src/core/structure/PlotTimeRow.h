#pragma once
// Whether a definition row is a PLOT_TIME, the variable plots and tables take their time from.
#include <cstdint>

#include "structure/DefinitionEntry.h"
#include "structure/InstrumentNames.h"
#include "structure/NameHash.h"

inline bool IsPlotTimeRow(const TDefinitionEntry& Row) {
  static const std::uint32_t TimeHash = DJBHash(PlotTimeName);
  return Row.NameHash == TimeHash;
}
