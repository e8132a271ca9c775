#include "cli/OffsetTimeOption.h"

#include "common/DateTime.h"

CLI::Option* AddOffsetTimeOption(CLI::App& App, std::string& OffsetTime) {
  const CLI::Validator DateAndTime(
      [](const std::string& Text) -> std::string {
        double DateTime = 0;
        if (TryStrToDateTime(Text, DateTime)) return "";
        return "'" + Text + "' is not a valid date and time; give \"yyyy-mm-dd hh:nn:ss\" or \"yyyy-mm-dd\"";
      },
      "");
  return App
      .add_option("--offset-time", OffsetTime,
                  "the Offset Time that the column datetime adds each BaseFrame's time to, \"yyyy-mm-dd [hh:nn:ss]\" "
                  "without a time zone (default 2003-01-01 00:00:00)")
      ->check(DateAndTime)
      ->type_name("DATETIME");
}
