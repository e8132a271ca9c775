#pragma once
// The one rule for writing a float as text (GeneralFloatText).
#include <string>

// Rounded to 15 significant digits; fixed notation for magnitudes from 0.0001
// with at most 15 integer digits, else scientific ("1.5E20", "1E-5"). Zero,
// also negative zero, is "0"; infinities are "INF" and "-INF".
std::string GeneralFloatText(double Value, char DecimalSeparator);

// The same with the decimal separator of the settings in use.
std::string GeneralFloatText(double Value);

// The general notation with Precision significant digits (1 to 17): fixed
// when the decimal exponent lies from MinFixedExponent to Precision - 1, else
// scientific. GeneralFloatText is GeneralNumberText(Value, 15, -4, ...).
std::string GeneralNumberText(double Value, int Precision, int MinFixedExponent, char DecimalSeparator);

// The fixed-width scientific form of the export files: 23 characters, a blank
// or "-", one digit, ".", 14 digits, "E", the exponent's sign and four
// exponent digits (" 1.25000000000000E+0001"), rounded to 15 significant
// digits. Negative zero is written as zero; NaN and infinities as "NAN",
// "INF" and "-INF".
std::string FixedScientificText(double Value);

// The same appended to Text, for writers of many values.
void AppendFixedScientificText(std::string& Text, double Value);

// The shortest text that reads back as the finite Value, exactly as
// std::to_chars writes it ("0.1", "1e+300", "100", "1e+05"), at First (room
// for 32 characters); its end. Integers are written faster.
char* ShortestFloatChars(char* First, double Value);
