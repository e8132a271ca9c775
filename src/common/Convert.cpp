#include "common/Convert.h"

#include <limits>

namespace {
int DigitValue(char C, int Base) {
  int V = -1;
  if (C >= '0' && C <= '9') V = C - '0';
  else if (C >= 'a' && C <= 'f') V = C - 'a' + 10;
  else if (C >= 'A' && C <= 'F') V = C - 'A' + 10;
  return V < Base ? V : -1;
}
}  // namespace

std::int32_t StrToInt(const std::string& Text) {
  const auto Fail = [&]() -> std::int32_t {
    throw EConvertError("'" + Text + "' is not a valid integer value");
  };
  std::size_t I = 0;
  while (I < Text.size() && Text[I] == ' ') ++I;
  bool Negative = false;
  if (I < Text.size() && (Text[I] == '+' || Text[I] == '-')) Negative = Text[I++] == '-';
  int Base = 10;
  if (I < Text.size() && (Text[I] == '$' || Text[I] == 'x' || Text[I] == 'X')) {
    Base = 16;
    ++I;
  } else if (I + 1 < Text.size() && Text[I] == '0' && (Text[I + 1] == 'x' || Text[I + 1] == 'X')) {
    Base = 16;
    I += 2;
  }
  if (I >= Text.size()) return Fail();
  const std::int64_t Limit = Negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
  std::int64_t Value = 0;
  for (; I < Text.size(); ++I) {
    const int D = DigitValue(Text[I], Base);
    if (D < 0) return Fail();
    Value = Value * Base + D;
    if (Value > Limit) return Fail();
  }
  return static_cast<std::int32_t>(Negative ? -Value : Value);
}
