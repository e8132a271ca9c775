#include "common/DateTime.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

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
  const double Time =
      ((P.Hour * 60.0 + P.Minute) * 60.0 + P.Second + P.MilliSecond / 1000.0) / 86400.0;
  return Days >= 0 ? static_cast<double>(Days) + Time : static_cast<double>(Days) - Time;
}

std::string FormatDateTime(const std::string& Pattern, double DateTime) {
  const TDateTimeParts P = DecodeDateTime(DateTime);
  const bool TwelveHour = Pattern.find("AP") != std::string::npos ||
                          Pattern.find("ap") != std::string::npos;
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
      case 'd': N = RunLength(Pattern, I, 2); Out += Padded(P.Day, static_cast<int>(N)); break;
      case 'M': N = RunLength(Pattern, I, 2); Out += Padded(P.Month, static_cast<int>(N)); break;
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
      case 'm': N = RunLength(Pattern, I, 2); Out += Padded(P.Minute, static_cast<int>(N)); break;
      case 's': N = RunLength(Pattern, I, 2); Out += Padded(P.Second, static_cast<int>(N)); break;
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
