#include "common/FloatText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "common/FormatSettings.h"

std::string GeneralNumberText(double Value, int Precision, int MinFixedExponent, char DecimalSeparator) {
  if (std::isnan(Value)) return "NAN";
  if (std::isinf(Value)) return Value < 0 ? "-INF" : "INF";
  if (Value == 0) return "0";

  // "-d.ddd...e-xxx": Precision significant digits, correctly rounded, whatever
  // the process locale.
  char Buffer[40];
  *std::to_chars(Buffer, Buffer + sizeof Buffer - 1, Value, std::chars_format::scientific, Precision - 1).ptr = '\0';
  const char* P = Buffer;
  std::string Result;
  if (*P == '-') {
    Result += '-';
    ++P;
  }
  std::string Digits;
  for (; *P != 'e'; ++P)
    if (*P != '.') Digits += *P;
  const int Exponent = std::atoi(P + 1);
  while (Digits.size() > 1 && Digits.back() == '0') Digits.pop_back();
  const int Count = static_cast<int>(Digits.size());

  if (Exponent >= MinFixedExponent && Exponent < Precision) {
    if (Exponent < 0) {
      Result += '0';
      Result += DecimalSeparator;
      Result.append(static_cast<std::size_t>(-Exponent - 1), '0');
      Result += Digits;
    } else {
      const int IntDigits = Exponent + 1;
      Result += Digits.substr(0, static_cast<std::size_t>(std::min(IntDigits, Count)));
      if (Count < IntDigits) Result.append(static_cast<std::size_t>(IntDigits - Count), '0');
      if (Count > IntDigits) {
        Result += DecimalSeparator;
        Result += Digits.substr(static_cast<std::size_t>(IntDigits));
      }
    }
    return Result;
  }
  Result += Digits[0];
  if (Count > 1) {
    Result += DecimalSeparator;
    Result += Digits.substr(1);
  }
  Result += 'E';
  Result += std::to_string(Exponent);
  return Result;
}

std::string GeneralFloatText(double Value, char DecimalSeparator) {
  return GeneralNumberText(Value, 15, -4, DecimalSeparator);
}

std::string GeneralFloatText(double Value) { return GeneralFloatText(Value, FormatSettings().DecimalSeparator); }

void AppendFixedScientificText(std::string& Text, double Value) {
  if (std::isnan(Value)) {
    Text += "NAN";
    return;
  }
  if (std::isinf(Value)) {
    Text += Value < 0 ? "-INF" : "INF";
    return;
  }
  if (Value == 0) Value = 0;  // no sign for negative zero

  // "-d.dddddddddddddde-xxx" from to_chars, whatever the process locale.
  char Buffer[40];
  const char* const End = std::to_chars(Buffer, Buffer + sizeof Buffer, Value, std::chars_format::scientific, 14).ptr;
  const char* P = Buffer;
  if (*P == '-') {
    Text += '-';
    ++P;
  } else {
    Text += ' ';
  }
  const char* const E = std::find(P, End, 'e');
  Text.append(P, E);
  Text += 'E';
  const char* Exponent = E + 1;
  Text += *Exponent++;
  // Double exponents have at most three digits.
  Text.append(static_cast<std::size_t>(4 - (End - Exponent)), '0');
  Text.append(Exponent, End);
}

std::string FixedScientificText(double Value) {
  std::string Text;
  AppendFixedScientificText(Text, Value);
  return Text;
}

char* ShortestFloatChars(char* First, double Value) {
  constexpr int Room = 32;
  if (Value > -1e15 && Value < 1e15) {
    const auto Integer = static_cast<std::int64_t>(Value);
    // All the digits, while that is not longer than the exponent form; not
    // for negative zero.
    if (static_cast<double>(Integer) == Value && (Integer % 10 != 0 || (Integer > -100000 && Integer < 100000)) &&
        !(Integer == 0 && std::signbit(Value)))
      return std::to_chars(First, First + Room, Integer).ptr;
  }
  return std::to_chars(First, First + Room, Value).ptr;
}
