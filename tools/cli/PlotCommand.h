#pragma once
// "vorex-cli plot STRUCTURE PACKET [PACKET2...] --frame F --var V [--sort S]":
// the data series a plot window collects, its statistics and its vertical
// range over all points.
#include <ostream>
#include <string>
#include <vector>

// Args are the arguments after "plot"; log entries go to Err. Returns 0, 3
// when Error entries were logged, 2 when the files do not load or a name is
// unknown, 1 for wrong usage.
int PlotCommand(const std::vector<std::string>& Args, std::ostream& Out, std::ostream& Err);
