#pragma once
// Text to integer conversion with the runtime's integer syntax.
#include <cstdint>
#include <stdexcept>
#include <string>

// The conversion error for a text that is not a number.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Optional leading spaces, an optional sign, then decimal digits or hexadecimal
// digits after "$", "x", "X", "0x" or "0X"; nothing may follow and the value
// must fit 32 bits. Otherwise throws "'<text>' is not a valid integer value".
std::int32_t StrToInt(const std::string& Text);
