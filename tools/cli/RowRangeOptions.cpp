#include "cli/RowRangeOptions.h"

void AddRowRangeOptions(CLI::App& App, TRowRangeOptions& Options) {
  App.add_option("--frames", Options.Frames,
                 "only the BaseFrames numbered A to before B in their file (the column frame); A: and :B leave an "
                 "end open")
      ->check(CLI::Validator(FramesProblem, ""))
      ->type_name("A:B");
  App.add_option("--from", Options.From,
                 "only the BaseFrames whose time (seconds, the column time) or datetime (\"yyyy-mm-dd "
                 "hh:nn:ss[.zzz]\", the column datetime) is this or later")
      ->check(CLI::Validator(TimeBoundProblem, ""))
      ->type_name("TIME");
  App.add_option("--to", Options.To, "only the BaseFrames whose time or datetime is before this")
      ->check(CLI::Validator(TimeBoundProblem, ""))
      ->type_name("TIME");
}
