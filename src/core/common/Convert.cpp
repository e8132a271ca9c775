#include "common/Convert.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "common/AsciiChars.h"
#include "common/FormatSettings.h"

namespace {
int DigitValue(char C, int Base) {
  const int V = HexDigitValue(C);
  return V < Base ? V : -1;
}
}  // namespace

std::int32_t StrToInt(const std::string& Text) {
  const auto Fail = [&]() -> std::int32_t { throw EConvertError("'" + Text + "' is not a valid integer value"); };
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
  const std::optional<std::int32_t> Value = IntegerOfDigits(std::string_view(Text).substr(I), Base, Negative);
  return Value ? *Value : Fail();
}

std::optional<std::int32_t> IntegerOfDigits(std::string_view Digits, int Base, bool Negative) {
  if (Digits.empty()) return std::nullopt;
  const std::int64_t Limit = Negative ? std::int64_t{1} << 31 : (std::int64_t{1} << 31) - 1;
  std::int64_t Value = 0;
  for (const char C : Digits) {
    const int D = DigitValue(C, Base);
    if (D < 0) return std::nullopt;
    Value = Value * Base + D;
    if (Value > Limit) return std::nullopt;
  }
  return static_cast<std::int32_t>(Negative ? -Value : Value);
}

bool TryStrToFloat(const std::string& Text, double& Value) {
  return TryStrToFloat(Text, Value, FormatSettings().DecimalSeparator);
}

bool TryStrToFloat(const std::string& Text, double& Value, char Separator) {
  std::size_t I = 0, End = Text.size();
  while (I < End && Text[I] == ' ') ++I;
  while (End > I && Text[End - 1] == ' ') --End;

  // The number in the syntax of from_chars: '.' as separator, no '+'.
  std::string Plain;
  if (I < End && (Text[I] == '+' || Text[I] == '-')) {
    if (Text[I] == '-') Plain += '-';
    ++I;
  }
  // Decimal exponent of the leading significant digit, to tell an overflow
  // from an underflow when the value is out of range.
  std::int64_t Scale = 0;
  std::size_t Digits = 0;
  bool Significant = false;
  for (; I < End && Text[I] >= '0' && Text[I] <= '9'; ++I, ++Digits) {
    Significant = Significant || Text[I] != '0';
    if (Significant) ++Scale;
    Plain += Text[I];
  }
  if (I < End && Text[I] == Separator) {
    Plain += '.';
    for (++I; I < End && Text[I] >= '0' && Text[I] <= '9'; ++I, ++Digits) {
      Significant = Significant || Text[I] != '0';
      if (!Significant) --Scale;
      Plain += Text[I];
    }
  }
  if (Digits == 0) return false;
  if (I < End && (Text[I] == 'E' || Text[I] == 'e')) {
    Plain += 'e';
    ++I;
    bool NegativeExponent = false;
    if (I < End && (Text[I] == '+' || Text[I] == '-')) {
      NegativeExponent = Text[I] == '-';
      Plain += Text[I++];
    }
    std::int64_t Exponent = 0;
    const std::size_t First = I;
    for (; I < End && Text[I] >= '0' && Text[I] <= '9'; ++I) {
      Exponent = std::min<std::int64_t>(Exponent * 10 + (Text[I] - '0'), 1000000000);
      Plain += Text[I];
    }
    if (I == First) return false;
    Scale += NegativeExponent ? -Exponent : Exponent;
  }
  if (I != End) return false;

  double Result = 0;
  const auto [Ptr, Error] = std::from_chars(Plain.data(), Plain.data() + Plain.size(), Result);
  if (Error == std::errc::result_out_of_range) {
    if (Scale > 0) return false;
    Result = Plain[0] == '-' ? -0.0 : 0.0;
  } else if (Error != std::errc() || Ptr != Plain.data() + Plain.size()) {
    return false;
  }
  Value = Result;
  return true;
}

double StrToFloat(const std::string& Text) {
  double Value = 0;
  if (!TryStrToFloat(Text, Value)) throw EConvertError("'" + Text + "' is not a valid floating point value");
  return Value;
}
