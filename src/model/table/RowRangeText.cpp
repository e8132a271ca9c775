#include "table/RowRangeText.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "common/AsciiChars.h"
#include "common/Convert.h"
#include "common/DateTime.h"

namespace {

// A BaseFrame number of a range: digits, or nothing for the open end.
bool ReadFrameNumber(const std::string& Text, std::optional<std::int64_t>& Number) {
  Number.reset();
  if (Text.empty()) return true;
  if (Text.size() > 18 || !std::all_of(Text.begin(), Text.end(), IsDigit)) return false;
  Number = std::stoll(Text);
  return true;
}

}  // namespace

bool ReadFrames(const std::string& Text, TRowRange& Range) {
  const std::size_t Colon = Text.find(':');
  std::optional<std::int64_t> First, End;
  if (Colon == std::string::npos || !ReadFrameNumber(Text.substr(0, Colon), First) ||
      !ReadFrameNumber(Text.substr(Colon + 1), End))
    return false;
  if (First) Range.FirstFrame = *First;
  if (End) Range.EndFrame = *End;
  return true;
}

std::optional<double> ReadTimeBound(const std::string& Text, double StartTime) {
  double Seconds = 0;
  if (TryStrToFloat(Text, Seconds, '.')) return Seconds;
  std::string Whole = Text;
  std::string Millis = "000";
  const std::size_t Dot = Text.rfind('.');
  if (Dot != std::string::npos && Text.find(':') < Dot) {
    const std::string Digits = Text.substr(Dot + 1);
    if (Digits.empty() || Digits.size() > 3 || !std::all_of(Digits.begin(), Digits.end(), IsDigit)) return {};
    Millis.replace(0, Digits.size(), Digits);
    Whole = Text.substr(0, Dot);
  }
  double Days = 0;
  if (!TryStrToDateTime(Whole, Days)) return {};
  // Whole seconds from the Offset Time, then the milliseconds: a bound equals the time its datetime text shows.
  return (std::round((Days - StartTime) * 86400) * 1000 + std::stoi(Millis)) / 1000;
}

std::string FramesProblem(const std::string& Frames) {
  TRowRange Range;
  if (ReadFrames(Frames, Range)) return "";
  return "'" + Frames + "' is not a range A:B of BaseFrame numbers (A: and :B allowed)";
}

std::string TimeBoundProblem(const std::string& Text) {
  if (ReadTimeBound(Text, 0)) return "";
  return "'" + Text + "' is neither seconds nor a date and time \"yyyy-mm-dd hh:nn:ss[.zzz]\"";
}

TRowRange RowRangeOf(const TRowRangeText& Text, double StartTime) {
  TRowRange Range;
  if (!Text.Frames.empty()) ReadFrames(Text.Frames, Range);
  if (!Text.From.empty()) Range.From = ReadTimeBound(Text.From, StartTime);
  if (!Text.To.empty()) Range.To = ReadTimeBound(Text.To, StartTime);
  return Range;
}
