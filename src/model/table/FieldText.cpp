#include "table/FieldText.h"

#include <algorithm>

char* CsvField(char* P, std::string_view Text) {
  if (Text.find_first_of(",\"\r\n") == std::string_view::npos) return std::copy(Text.begin(), Text.end(), P);
  *P++ = '"';
  for (const char C : Text) {
    if (C == '"') *P++ = '"';
    *P++ = C;
  }
  *P++ = '"';
  return P;
}

char* TsvField(char* P, std::string_view Text) {
  for (const char C : Text) *P++ = C == '\t' || C == '\n' || C == '\r' ? ' ' : C;
  return P;
}

char* JsonString(char* P, std::string_view Text) {
  static const char Hex[] = "0123456789abcdef";
  *P++ = '"';
  for (const char C : Text) {
    const auto Byte = static_cast<unsigned char>(C);
    if (C == '"' || C == '\\') {
      *P++ = '\\';
      *P++ = C;
    } else if (C == '\t' || C == '\n' || C == '\r') {
      *P++ = '\\';
      *P++ = C == '\t' ? 't' : C == '\n' ? 'n' : 'r';
    } else if (Byte < 0x20 || Byte >= 0x80) {
      // Texts are 8-bit: a byte above 127 is the Latin-1 character, so every line is valid JSON.
      P = std::copy_n("\\u00", 4, P);
      *P++ = Hex[Byte >> 4];
      *P++ = Hex[Byte & 15];
    } else {
      *P++ = C;
    }
  }
  *P++ = '"';
  return P;
}

std::string CsvFieldText(std::string_view Text) {
  std::string Result(Text.size() * 2 + 2, ' ');
  Result.resize(static_cast<std::size_t>(CsvField(Result.data(), Text) - Result.data()));
  return Result;
}

std::string JsonStringText(std::string_view Text) {
  std::string Result(Text.size() * 6 + 2, ' ');
  Result.resize(static_cast<std::size_t>(JsonString(Result.data(), Text) - Result.data()));
  return Result;
}
