#pragma once
// Field rules of structure file lines.
#include <string>
#include <vector>

// Splits at Separator; a double or single quote protects up to the same
// quote again (quotes stay in the field); empty fields are not counted.
std::vector<std::string> SplitFields(const std::string& Line, char Separator);

// A field beginning with a double quote gives the quoted text ("" inside is
// one quote, anything after the closing quote is dropped, a missing closing
// quote takes the rest); other fields and empty quoted texts stay unchanged.
std::string Dequote(const std::string& Field);
