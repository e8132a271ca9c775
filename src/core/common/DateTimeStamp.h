#pragma once
// Points in time as nanoseconds since 1970-01-01 00:00 (no time zone), as
// numpy's datetime64[ns] holds them, and their ISO 8601 text.
#include <cstdint>
#include <limits>

// A time that has none: the integer numpy reads as NaT.
constexpr std::int64_t NoDateTime = std::numeric_limits<std::int64_t>::min();

// The date/time DateTime (days, DateTime.h) plus Seconds, as the plot's time
// mode adds a time to the Offset Time; NoDateTime when Seconds is not finite
// or the sum is beyond the range of nanoseconds (years 1678 to 2261).
std::int64_t DateTimeNanoseconds(double DateTime, double Seconds);

// The characters an ISO text takes: yyyy-mm-ddThh:mm:ss.zzz.
constexpr int IsoDateTimeLength = 23;

// Writes Nanoseconds (not NoDateTime) at P as yyyy-mm-ddThh:mm:ss.zzz,
// cut to the millisecond; returns the end of what it wrote.
char* WriteIsoDateTime(char* P, std::int64_t Nanoseconds);
