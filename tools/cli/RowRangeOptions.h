#pragma once
// The options of a table that choose its rows: --frames A:B, --from and --to.
#include <CLI/CLI.hpp>
#include <string>

#include "table/RowRange.h"

// The options as given; empty when not given.
struct TRowRangeOptions {
  std::string Frames, From, To;
  bool Given() const { return !Frames.empty() || !From.empty() || !To.empty(); }
};

// Adds --frames, --from and --to to App; a malformed value is a wrong usage.
void AddRowRangeOptions(CLI::App& App, TRowRangeOptions& Options);
// The rows the options keep; a date and time bound counts from StartTime,
// the Offset Time (days).
TRowRange RowRangeOf(const TRowRangeOptions& Options, double StartTime);
