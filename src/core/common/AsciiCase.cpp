#include "common/AsciiCase.h"

namespace {

char LowerLetter(char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; }
char UpperLetter(char C) { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C; }

}  // namespace

std::string AsciiLower(std::string Text) {
  for (char& C : Text) C = LowerLetter(C);
  return Text;
}

std::string AsciiUpper(std::string Text) {
  for (char& C : Text) C = UpperLetter(C);
  return Text;
}

bool SameTextIgnoringCase(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (std::size_t I = 0; I < A.size(); ++I)
    if (LowerLetter(A[I]) != LowerLetter(B[I])) return false;
  return true;
}

bool ContainsTextIgnoringCase(std::string_view Text, std::string_view Part) {
  for (std::size_t I = 0; I + Part.size() <= Text.size(); ++I)
    if (SameTextIgnoringCase(Text.substr(I, Part.size()), Part)) return true;
  return false;
}
