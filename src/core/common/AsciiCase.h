#pragma once
// Case folding of names: 8-bit texts compared without regard to the case of
// ASCII letters. Other bytes stay as they are, whatever the process locale.
#include <string>
#include <string_view>

std::string AsciiLower(std::string Text);
std::string AsciiUpper(std::string Text);

// Whole text equality without regard to the case of ASCII letters.
bool SameTextIgnoringCase(std::string_view A, std::string_view B);

// Whether Part stands anywhere in Text without regard to the case of ASCII
// letters; an empty Part stands in every text.
bool ContainsTextIgnoringCase(std::string_view Text, std::string_view Part);
