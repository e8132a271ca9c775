#pragma once
// Date/time values in days since 1899-12-30 (whole part the day, fraction the
// time of day) and their texts.
#include <string>

struct TDateTimeParts {
  int Year = 1899, Month = 12, Day = 30;
  int Hour = 0, Minute = 0, Second = 0, MilliSecond = 0;
};

TDateTimeParts DecodeDateTime(double DateTime);
double EncodeDateTime(const TDateTimeParts& Parts);

// Formats with a pattern of d dd M MM yy yyyy h hh H HH m mm s ss AP ap;
// text in single quotes is copied, other characters stand for themselves.
std::string FormatDateTime(const std::string& Pattern, double DateTime);

// Short date, a blank and the long time of the settings in use; the blank and
// the time are left out when the time is 00:00:00.
std::string DateTimeText(double DateTime);

// Short date of the settings in use.
std::string DateText(double DateTime);
