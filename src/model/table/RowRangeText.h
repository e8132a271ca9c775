#pragma once
// The bounds of a table's rows as text, as the command line and the Python
// module take them: frames "A:B" ("A:" and ":B" leave an end open), and
// times as seconds or "yyyy-mm-dd hh:nn:ss[.zzz]".
#include <optional>
#include <string>

#include "table/RowRange.h"

// The bounds as given; empty when not given.
struct TRowRangeText {
  std::string Frames, From, To;
  bool Given() const { return !Frames.empty() || !From.empty() || !To.empty(); }
};

// The bounds of "A:B", "A:" or ":B" into Range; false for another text.
bool ReadFrames(const std::string& Text, TRowRange& Range);
// A time bound in seconds: a number of seconds, or "yyyy-mm-dd hh:nn:ss[.zzz]"
// (any date and time the Offset Time may be given as, with up to three
// digits of a second) counted from StartTime (days); none for another text.
std::optional<double> ReadTimeBound(const std::string& Text, double StartTime);
// Why Frames is no frame range, empty when it is one.
std::string FramesProblem(const std::string& Frames);
// Why Text is no time bound, empty when it is one.
std::string TimeBoundProblem(const std::string& Text);
// The rows the bounds keep, each well formed; a date and time bound counts
// from StartTime, the Offset Time (days).
TRowRange RowRangeOf(const TRowRangeText& Text, double StartTime);
