#pragma once
// Floats that become integers for display or drawing.
#include <cmath>
#include <cstdint>
#include <limits>

// The nearest integer, halves to the even neighbour. Values beyond the 64-bit
// range saturate; NaN gives 0.
inline std::int64_t RoundHalfEven(double Value) {
  if (std::isnan(Value)) return 0;
  const double Rounded = std::nearbyint(Value);
  if (Rounded >= 9223372036854775807.0) return std::numeric_limits<std::int64_t>::max();
  if (Rounded < -9223372036854775807.0) return std::numeric_limits<std::int64_t>::min();
  return static_cast<std::int64_t>(Rounded);
}
