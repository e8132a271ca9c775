#include "common/DateTime.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <vector>

#include "common/AsciiChars.h"
#include "common/Convert.h"
#include "common/FormatSettings.h"

namespace {
constexpr std::int64_t MSecsPerDay = 86400000;
// Days from 1970-01-01 to the date/time origin 1899-12-30.
constexpr std::int64_t OriginDays = -25569;

// Proleptic Gregorian calendar conversions (days relative to 1970-01-01).
std::int64_t DaysFromCivil(std::int64_t Y, unsigned M, unsigned D) {
  Y -= M <= 2;
  const std::int64_t Era = (Y >= 0 ? Y : Y - 399) / 400;
  const unsigned Yoe = static_cast<unsigned>(Y - Era * 400);
  const unsigned Doy = (153 * (M > 2 ? M - 3 : M + 9) + 2) / 5 + D - 1;
  const unsigned Doe = Yoe * 365 + Yoe / 4 - Yoe / 100 + Doy;
  return Era * 146097 + static_cast<std::int64_t>(Doe) - 719468;
}

void CivilFromDays(std::int64_t Z, int& Year, int& Month, int& Day) {
  Z += 719468;
  const std::int64_t Era = (Z >= 0 ? Z : Z - 146096) / 146097;
  const unsigned Doe = static_cast<unsigned>(Z - Era * 146097);
  const unsigned Yoe = (Doe - Doe / 1460 + Doe / 36524 - Doe / 146096) / 365;
  const unsigned Doy = Doe - (365 * Yoe + Yoe / 4 - Yoe / 100);
  const unsigned Mp = (5 * Doy + 2) / 153;
  Day = static_cast<int>(Doy - (153 * Mp + 2) / 5 + 1);
  Month = static_cast<int>(Mp < 10 ? Mp + 3 : Mp - 9);
  Year = static_cast<int>(Yoe + Era * 400 + (Month <= 2));
}

std::string Padded(int Value, int Width) {
  char Buffer[16];
  std::snprintf(Buffer, sizeof Buffer, "%0*d", Width, Value);
  return Buffer;
}

// Length of the run of the character at I (at most Max).
std::size_t RunLength(const std::string& Text, std::size_t I, std::size_t Max) {
  std::size_t N = 1;
  while (I + N < Text.size() && Text[I + N] == Text[I] && N < Max) ++N;
  return N;
}

bool IsBlank(char C) { return C == ' ' || C == '\t'; }
// Printable ASCII that is neither a letter, a digit nor a blank.
bool IsPunctuation(char C) { return C > ' ' && C < 0x7F && !IsDigit(C) && !IsLetter(C); }

int DaysInMonth(int Year, int Month) {
  static constexpr int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool Leap = (Year % 4 == 0 && Year % 100 != 0) || Year % 400 == 0;
  return Month == 2 && Leap ? 29 : Days[Month - 1];
}

int CurrentYear() {
  const std::time_t Now = std::time(nullptr);
  std::tm Local{};
#ifdef _WIN32
  localtime_s(&Local, &Now);
#else
  localtime_r(&Now, &Local);
#endif
  return Local.tm_year + 1900;
}

// The year of a 1- or 2-digit year text: from 49 years back to 50 ahead.
int WindowedYear(int TwoDigits, int Current) {
  int Year = Current / 100 * 100 + TwoDigits;
  if (Year > Current + 50) Year -= 100;
  else if (Year <= Current - 50) Year += 100;
  return Year;
}

bool ValidDate(const TDateTimeParts& Parts) {
  return Parts.Year >= 1 && Parts.Year <= 9999 && Parts.Month >= 1 && Parts.Month <= 12 && Parts.Day >= 1 &&
         Parts.Day <= DaysInMonth(Parts.Year, Parts.Month);
}

// The letters d, M and y in the order the date pattern has them.
std::string DateFieldOrder(const std::string& Pattern) {
  std::string Order;
  for (std::size_t I = 0; I < Pattern.size(); ++I) {
    if (Pattern[I] == '\'') {
      const std::size_t End = Pattern.find('\'', I + 1);
      if (End == std::string::npos) break;
      I = End;
    } else if ((Pattern[I] == 'd' || Pattern[I] == 'M' || Pattern[I] == 'y') &&
               Order.find(Pattern[I]) == std::string::npos) {
      Order += Pattern[I];
    }
  }
  if (Order.find('d') == std::string::npos || Order.find('M') == std::string::npos) return "dMy";
  if (Order.size() == 2) Order += 'y';
  return Order;
}

// The separator after the hours of the time pattern, or ':'.
char TimeSeparator(const std::string& Pattern) {
  std::size_t I = Pattern.find_first_of("hH");
  if (I == std::string::npos) return ':';
  while (I < Pattern.size() && (Pattern[I] == 'h' || Pattern[I] == 'H')) ++I;
  return I < Pattern.size() && IsPunctuation(Pattern[I]) && Pattern[I] != '\'' ? Pattern[I] : ':';
}

// Reads a run of 1 to MaxDigits digits at I.
bool ReadField(const std::string& Text, std::size_t& I, std::size_t End, std::size_t MaxDigits, int& Value,
               std::size_t& Width) {
  const std::size_t First = I;
  Value = 0;
  while (I < End && IsDigit(Text[I]) && I - First < MaxDigits) Value = Value * 10 + (Text[I++] - '0');
  Width = I - First;
  return Width > 0 && (I == End || !IsDigit(Text[I]));
}

// The date at I up to the next blank.
bool ReadDate(const std::string& Text, std::size_t& I, std::size_t End, TDateTimeParts& Parts) {
  const std::string Order = DateFieldOrder(FormatSettings().ShortDateFormat);
  int Values[3] = {0, 0, 0};
  std::size_t Widths[3] = {0, 0, 0};
  std::size_t Count = 0;
  bool TrailingSeparator = false;
  while (true) {
    if (Count == 3 || !ReadField(Text, I, End, 4, Values[Count], Widths[Count])) return false;
    ++Count;
    if (I == End || IsBlank(Text[I])) break;
    if (!IsPunctuation(Text[I]) || Text[I] == ':') return false;
    ++I;
    if (I == End || IsBlank(Text[I])) {
      TrailingSeparator = true;
      break;
    }
  }
  if (Count == 3 && TrailingSeparator) return false;
  if (Count == 2 && Order[2] != 'y') return false;
  if (Count < 2) return false;

  Parts.Year = CurrentYear();
  for (std::size_t K = 0; K < Count; ++K) {
    if (Order[K] == 'y') {
      Parts.Year = Widths[K] <= 2 ? WindowedYear(Values[K], CurrentYear()) : Values[K];
    } else {
      if (Widths[K] > 2) return false;
      (Order[K] == 'd' ? Parts.Day : Parts.Month) = Values[K];
    }
  }
  return ValidDate(Parts);
}

// The time from I to End.
bool ReadTime(const std::string& Text, std::size_t I, std::size_t End, TDateTimeParts& Parts) {
  const char Separator = TimeSeparator(FormatSettings().LongTimeFormat);
  int* const Fields[3] = {&Parts.Hour, &Parts.Minute, &Parts.Second};
  for (std::size_t K = 0; K < 3; ++K) {
    std::size_t Width = 0;
    if (!ReadField(Text, I, End, 2, *Fields[K], Width)) return false;
    if (I == End || (Text[I] != ':' && Text[I] != Separator)) break;
    if (K == 2) return false;
    ++I;
  }
  while (I < End && IsBlank(Text[I])) ++I;
  if (I < End) {
    if (End - I != 2 || (Text[I + 1] != 'M' && Text[I + 1] != 'm')) return false;
    const char Half = Text[I];
    if (Half != 'A' && Half != 'a' && Half != 'P' && Half != 'p') return false;
    if (Parts.Hour < 1 || Parts.Hour > 12) return false;
    Parts.Hour = Parts.Hour % 12 + (Half == 'P' || Half == 'p' ? 12 : 0);
  }
  return Parts.Hour <= 23 && Parts.Minute <= 59 && Parts.Second <= 59;
}

// Exactly Width digits at I, then Next unless it is '\0'.
bool FixedField(const std::string& Text, std::size_t& I, std::size_t End, std::size_t Width, char Next, int& Value) {
  Value = 0;
  for (const std::size_t Last = I + Width; I < Last; ++I) {
    if (I >= End || !IsDigit(Text[I])) return false;
    Value = Value * 10 + (Text[I] - '0');
  }
  if (Next == '\0') return true;
  if (I >= End || Text[I] != Next) return false;
  ++I;
  return true;
}

// yyyy-mm-dd, optionally followed by blanks and hh:nn:ss, from I to End.
bool ReadIsoDateTime(const std::string& Text, std::size_t I, std::size_t End, TDateTimeParts& Parts) {
  if (!FixedField(Text, I, End, 4, '-', Parts.Year) || !FixedField(Text, I, End, 2, '-', Parts.Month) ||
      !FixedField(Text, I, End, 2, '\0', Parts.Day) || !ValidDate(Parts))
    return false;
  if (I == End) return true;
  if (!IsBlank(Text[I])) return false;
  while (I < End && IsBlank(Text[I])) ++I;
  return FixedField(Text, I, End, 2, ':', Parts.Hour) && FixedField(Text, I, End, 2, ':', Parts.Minute) &&
         FixedField(Text, I, End, 2, '\0', Parts.Second) && I == End && Parts.Hour <= 23 && Parts.Minute <= 59 &&
         Parts.Second <= 59;
}
}  // namespace

TDateTimeParts DecodeDateTime(double DateTime) {
  TDateTimeParts P;
  if (!std::isfinite(DateTime) || std::fabs(DateTime) > 1e9) return P;
  // The whole part is the day; the fraction, also of a negative value, the time.
  std::int64_t Days = static_cast<std::int64_t>(std::trunc(DateTime));
  std::int64_t MSecs = std::llround(std::fabs(DateTime - std::trunc(DateTime)) * MSecsPerDay);
  if (MSecs >= MSecsPerDay) {
    MSecs -= MSecsPerDay;
    Days += DateTime < 0 ? -1 : 1;
  }
  CivilFromDays(Days + OriginDays, P.Year, P.Month, P.Day);
  P.Hour = static_cast<int>(MSecs / 3600000);
  P.Minute = static_cast<int>(MSecs / 60000 % 60);
  P.Second = static_cast<int>(MSecs / 1000 % 60);
  P.MilliSecond = static_cast<int>(MSecs % 1000);
  return P;
}

double EncodeDateTime(const TDateTimeParts& P) {
  const std::int64_t Days =
      DaysFromCivil(P.Year, static_cast<unsigned>(P.Month), static_cast<unsigned>(P.Day)) - OriginDays;
  const double Time = ((P.Hour * 60.0 + P.Minute) * 60.0 + P.Second + P.MilliSecond / 1000.0) / 86400.0;
  return Days >= 0 ? static_cast<double>(Days) + Time : static_cast<double>(Days) - Time;
}

std::string FormatDateTime(const std::string& Pattern, double DateTime) {
  const TDateTimeParts P = DecodeDateTime(DateTime);
  const bool TwelveHour = Pattern.find("AP") != std::string::npos || Pattern.find("ap") != std::string::npos;
  std::string Out;
  for (std::size_t I = 0; I < Pattern.size();) {
    const char C = Pattern[I];
    if (C == '\'') {
      const std::size_t End = Pattern.find('\'', I + 1);
      Out += Pattern.substr(I + 1, End == std::string::npos ? std::string::npos : End - I - 1);
      I = End == std::string::npos ? Pattern.size() : End + 1;
      continue;
    }
    if ((C == 'A' || C == 'a') && I + 1 < Pattern.size() && (Pattern[I + 1] == 'P' || Pattern[I + 1] == 'p')) {
      const bool Pm = P.Hour >= 12;
      Out += C == 'A' ? (Pm ? "PM" : "AM") : (Pm ? "pm" : "am");
      I += 2;
      continue;
    }
    std::size_t N = 1;
    switch (C) {
      case 'd':
        N = RunLength(Pattern, I, 2);
        Out += Padded(P.Day, static_cast<int>(N));
        break;
      case 'M':
        N = RunLength(Pattern, I, 2);
        Out += Padded(P.Month, static_cast<int>(N));
        break;
      case 'y':
        N = RunLength(Pattern, I, 4);
        Out += N >= 4 ? Padded(P.Year, 4) : Padded(P.Year % 100, 2);
        break;
      case 'h':
      case 'H': {
        N = RunLength(Pattern, I, 2);
        int Hour = P.Hour;
        if (C == 'h' && TwelveHour) Hour = Hour % 12 == 0 ? 12 : Hour % 12;
        Out += Padded(Hour, static_cast<int>(N));
        break;
      }
      case 'm':
        N = RunLength(Pattern, I, 2);
        Out += Padded(P.Minute, static_cast<int>(N));
        break;
      case 's':
        N = RunLength(Pattern, I, 2);
        Out += Padded(P.Second, static_cast<int>(N));
        break;
      default: Out += C; break;
    }
    I += N;
  }
  return Out;
}

std::string DateTimeText(double DateTime) {
  const TDateTimeParts P = DecodeDateTime(DateTime);
  const TFormatSettings& S = FormatSettings();
  std::string Text = FormatDateTime(S.ShortDateFormat, DateTime);
  if (P.Hour != 0 || P.Minute != 0 || P.Second != 0) Text += ' ' + FormatDateTime(S.LongTimeFormat, DateTime);
  return Text;
}

std::string DateText(double DateTime) { return FormatDateTime(FormatSettings().ShortDateFormat, DateTime); }

bool TryStrToDateTime(const std::string& Text, double& DateTime) {
  std::size_t I = 0, End = Text.size();
  while (I < End && IsBlank(Text[I])) ++I;
  while (End > I && IsBlank(Text[End - 1])) --End;
  const std::size_t Start = I;
  TDateTimeParts Parts;
  bool Read = ReadDate(Text, I, End, Parts);
  while (Read && I < End && IsBlank(Text[I])) ++I;
  Read = Read && (I == End || ReadTime(Text, I, End, Parts));
  if (!Read) {
    Parts = TDateTimeParts();
    if (!ReadIsoDateTime(Text, Start, End, Parts)) return false;
  }
  DateTime = EncodeDateTime(Parts);
  return true;
}

double StrToDateTime(const std::string& Text) {
  double DateTime = 0;
  if (!TryStrToDateTime(Text, DateTime)) throw EConvertError("'" + Text + "' is not a valid date and time");
  return DateTime;
}
