#pragma once
// The options of a table that choose its rows: --frames A:B, --from and --to.
#include <CLI/CLI.hpp>

#include "table/RowRangeText.h"

// The options as given; empty when not given.
using TRowRangeOptions = TRowRangeText;

// Adds --frames, --from and --to to App; a malformed value is a wrong usage.
void AddRowRangeOptions(CLI::App& App, TRowRangeOptions& Options);
