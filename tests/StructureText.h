#pragma once
// Builds structure files for tests: fields joined with TABs, lines with LF.
#include <initializer_list>
#include <string>
#include <vector>

inline std::string Row(std::initializer_list<std::string> Fields) {
  std::string Line;
  for (const std::string& F : Fields) Line += (Line.empty() ? "" : "\t") + F;
  return Line;
}

inline std::string Lines(std::initializer_list<std::string> L) {
  std::string Text;
  for (const std::string& Line : L) Text += Line + "\n";
  return Text;
}
