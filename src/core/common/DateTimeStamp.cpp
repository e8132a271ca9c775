#include "common/DateTimeStamp.h"

#include <cmath>

#include "common/DateTime.h"

namespace {

constexpr std::int64_t NanosecondsPerMilli = 1000000;
constexpr std::int64_t MillisPerDay = 86400000;
// Days from the date/time origin 1899-12-30 to 1970-01-01.
constexpr std::int64_t UnixDay = 25569;
// Sums beyond are out of the range of nanoseconds.
constexpr double MaxNanoseconds = 9.2e18;

std::int64_t FloorDiv(std::int64_t A, std::int64_t B) { return A / B - (A % B < 0 ? 1 : 0); }

// The milliseconds since 1970 of a date/time, to the millisecond it holds.
std::int64_t UnixMillis(double DateTime) {
  const TDateTimeParts P = DecodeDateTime(DateTime);
  const auto Day = static_cast<std::int64_t>(EncodeDateTime({P.Year, P.Month, P.Day})) - UnixDay;
  return Day * MillisPerDay + std::int64_t{(P.Hour * 60 + P.Minute) * 60 + P.Second} * 1000 + P.MilliSecond;
}

char* Digits(char* P, int Value, int Count) {
  for (int I = Count - 1; I >= 0; --I, Value /= 10) P[I] = static_cast<char>('0' + Value % 10);
  return P + Count;
}

}  // namespace

std::int64_t DateTimeNanoseconds(double DateTime, double Seconds) {
  if (!std::isfinite(Seconds) || !std::isfinite(DateTime)) return NoDateTime;
  const std::int64_t Offset = UnixMillis(DateTime);
  // Short of the limit of the sum by more than the rounding of this estimate.
  if (std::fabs(static_cast<double>(Offset) * 1e6 + Seconds * 1e9) > MaxNanoseconds) return NoDateTime;
  return Offset * NanosecondsPerMilli + std::llround(Seconds * 1e9);
}

char* WriteIsoDateTime(char* P, std::int64_t Nanoseconds) {
  const std::int64_t Millis = FloorDiv(Nanoseconds, NanosecondsPerMilli);
  const std::int64_t Day = FloorDiv(Millis, MillisPerDay);
  const auto Time = static_cast<int>(Millis - Day * MillisPerDay);
  const TDateTimeParts Date = DecodeDateTime(static_cast<double>(Day + UnixDay));
  P = Digits(P, Date.Year, 4);
  *P++ = '-';
  P = Digits(P, Date.Month, 2);
  *P++ = '-';
  P = Digits(P, Date.Day, 2);
  *P++ = 'T';
  P = Digits(P, Time / 3600000, 2);
  *P++ = ':';
  P = Digits(P, Time / 60000 % 60, 2);
  *P++ = ':';
  P = Digits(P, Time / 1000 % 60, 2);
  *P++ = '.';
  return Digits(P, Time % 1000, 3);
}
