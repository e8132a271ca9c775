#pragma once
// Text to number conversions with the runtime's number syntax.
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

// The conversion error for a text that is not a number.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Optional leading spaces, an optional sign, then decimal digits or hexadecimal
// digits after "$", "x", "X", "0x" or "0X"; nothing may follow and the value
// must fit 32 bits. Otherwise throws "'<text>' is not a valid integer value".
std::int32_t StrToInt(const std::string& Text);

// Digits (at least one) of Base 10 or 16 as a 32-bit integer, negated when
// Negative; none when another character is among them or the value does not
// fit.
std::optional<std::int32_t> IntegerOfDigits(std::string_view Digits, int Base, bool Negative);

// Optional leading and trailing spaces around an optional sign, decimal digits
// with an optional fraction after the decimal separator of the settings in use
// (only that separator), and an optional exponent ("E" or "e", optional sign,
// digits). At least one digit must stand before the exponent; "5," and ",5"
// are numbers with ','. A value beyond the double range is invalid, one too
// small for it is zero. Independent of the process locale. Returns false and
// leaves Value alone for any other text.
bool TryStrToFloat(const std::string& Text, double& Value);

// The same with the given decimal separator in place of the one in use.
bool TryStrToFloat(const std::string& Text, double& Value, char DecimalSeparator);

// The same; throws "'<text>' is not a valid floating point value" for a text
// that is not a number.
double StrToFloat(const std::string& Text);
