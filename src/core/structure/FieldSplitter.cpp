#include "structure/FieldSplitter.h"

std::vector<std::string> SplitFields(const std::string& Line, char Separator) {
  std::vector<std::string> Fields;
  std::string Field;
  char Quote = 0;
  for (const char C : Line) {
    if (Quote == 0 && C == Separator) {
      if (!Field.empty()) Fields.push_back(std::move(Field));
      Field.clear();
      continue;
    }
    if (Quote == 0 && (C == '"' || C == '\'')) Quote = C;
    else if (C == Quote) Quote = 0;
    Field += C;
  }
  if (!Field.empty()) Fields.push_back(std::move(Field));
  return Fields;
}

std::string Dequote(const std::string& Field) {
  if (Field.empty() || Field[0] != '"') return Field;
  std::string Text;
  for (std::size_t I = 1; I < Field.size(); ++I) {
    if (Field[I] != '"') {
      Text += Field[I];
    } else if (I + 1 < Field.size() && Field[I + 1] == '"') {
      Text += '"';
      ++I;
    } else {
      break;
    }
  }
  return Text.empty() ? Field : Text;
}
