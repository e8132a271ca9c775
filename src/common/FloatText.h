#pragma once
// The one rule for writing a float as text (GeneralFloatText).
#include <string>

// Rounded to 15 significant digits; fixed notation for magnitudes from 0.0001
// with at most 15 integer digits, else scientific ("1.5E20", "1E-5"). Zero,
// also negative zero, is "0"; infinities are "INF" and "-INF".
std::string GeneralFloatText(double Value, char DecimalSeparator);

// The same with the decimal separator of the settings in use.
std::string GeneralFloatText(double Value);
