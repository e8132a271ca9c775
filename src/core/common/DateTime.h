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

// Reads a date, or a date, blanks and a time, with the settings in use. The
// date's fields are runs of digits separated by single punctuation characters
// other than ':' (".", "/", "-", ...), in the order of the d, M and y letters
// of the short date format; when that format ends with the year, the year may
// be left out (a separator may then end the date, "31.12.") and is the current
// one. A 1- or 2-digit year is taken within 50 years of the current one (49
// back, 50 ahead). The time is H[:mm[:ss]] with 1- or 2-digit fields, ':' or
// the separator after the hours of the long time format between them,
// optionally followed by AM or PM (any case, blank optional). Blanks (spaces,
// tabs) may lead and trail. Returns false and leaves DateTime alone for any
// other text. Failing the settings, the ISO form yyyy-mm-dd, optionally
// followed by blanks and hh:nn:ss, is read.
bool TryStrToDateTime(const std::string& Text, double& DateTime);

// The same; throws EConvertError "'<text>' is not a valid date and time".
double StrToDateTime(const std::string& Text);
