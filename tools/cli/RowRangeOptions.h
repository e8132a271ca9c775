#pragma once
// The options of a table that choose its rows: --frames A:B.
#include <CLI/CLI.hpp>
#include <string>

#include "table/RowRange.h"

// The options as given; empty when not given.
struct TRowRangeOptions {
  std::string Frames;
  bool Given() const { return !Frames.empty(); }
};

// Adds --frames to App; a malformed value is a wrong usage.
void AddRowRangeOptions(CLI::App& App, TRowRangeOptions& Options);
// The rows the options keep.
TRowRange RowRangeOf(const TRowRangeOptions& Options);
