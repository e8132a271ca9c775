#pragma once
// ASCII character classes and trimming, the same whatever the process locale.
#include <string>
#include <string_view>

inline bool IsDigit(char C) { return C >= '0' && C <= '9'; }
inline bool IsLetter(char C) { return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); }

// The value of a hexadecimal digit of either case; -1 for another character.
inline int HexDigitValue(char C) {
  if (IsDigit(C)) return C - '0';
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  return -1;
}

// Text without the blanks and control characters at either end.
inline std::string Trimmed(std::string_view Text) {
  const auto Blank = [](char C) { return static_cast<unsigned char>(C) <= 0x20; };
  while (!Text.empty() && Blank(Text.front())) Text.remove_prefix(1);
  while (!Text.empty() && Blank(Text.back())) Text.remove_suffix(1);
  return std::string(Text);
}

// The folder part of Path: empty when it names none.
std::string FolderOf(const std::string& Path);
