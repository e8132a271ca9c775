#include "cli/RowRangeOptions.h"

#include <cmath>
#include <optional>

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

// The bounds of "A:B", "A:" or ":B"; false for another text.
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

// A time bound in seconds: a number of seconds, or "yyyy-mm-dd hh:nn:ss[.zzz]"
// (any date and time the Offset Time may be given as, with up to three
// digits of a second) counted from StartTime; none for another text.
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

CLI::Validator TimeBoundCheck() {
  return CLI::Validator(
      [](const std::string& Text) -> std::string {
        if (ReadTimeBound(Text, 0)) return "";
        return "'" + Text + "' is neither seconds nor a date and time \"yyyy-mm-dd hh:nn:ss[.zzz]\"";
      },
      "");
}

}  // namespace

void AddRowRangeOptions(CLI::App& App, TRowRangeOptions& Options) {
  App.add_option("--frames", Options.Frames,
                 "only the BaseFrames numbered A to before B in their file (the column frame); A: and :B leave an "
                 "end open")
      ->check(CLI::Validator(
          [](const std::string& Text) -> std::string {
            TRowRange Range;
            if (ReadFrames(Text, Range)) return "";
            return "'" + Text + "' is not a range A:B of BaseFrame numbers (A: and :B allowed)";
          },
          ""))
      ->type_name("A:B");
  App.add_option("--from", Options.From,
                 "only the BaseFrames whose time (seconds, the column time) or datetime (\"yyyy-mm-dd "
                 "hh:nn:ss[.zzz]\", the column datetime) is this or later")
      ->check(TimeBoundCheck())
      ->type_name("TIME");
  App.add_option("--to", Options.To, "only the BaseFrames whose time or datetime is before this")
      ->check(TimeBoundCheck())
      ->type_name("TIME");
}

TRowRange RowRangeOf(const TRowRangeOptions& Options, double StartTime) {
  TRowRange Range;
  if (!Options.Frames.empty()) ReadFrames(Options.Frames, Range);
  if (!Options.From.empty()) Range.From = ReadTimeBound(Options.From, StartTime);
  if (!Options.To.empty()) Range.To = ReadTimeBound(Options.To, StartTime);
  return Range;
}
