#include "cli/RowRangeOptions.h"

#include <optional>

#include "common/AsciiChars.h"

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
}

TRowRange RowRangeOf(const TRowRangeOptions& Options) {
  TRowRange Range;
  if (!Options.Frames.empty()) ReadFrames(Options.Frames, Range);
  return Range;
}
