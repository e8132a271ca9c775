#pragma once
// The locale settings in use for number and date/time texts. The desktop
// application fills them from the user's locale; the core and the tools use
// the defaults.
#include <string>

struct TFormatSettings {
  char DecimalSeparator = '.';
  // Patterns: d dd M MM yy yyyy h hh H HH m mm s ss AP ap, text in '...'.
  std::string ShortDateFormat = "dd.MM.yyyy";
  std::string LongTimeFormat = "HH:mm:ss";
};

TFormatSettings& FormatSettings();
