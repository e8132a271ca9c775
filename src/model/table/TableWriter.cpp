#include "table/TableWriter.h"

#include <charconv>
#include <cmath>

namespace {

const std::vector<std::string> WideFixed = {"file", "frame", "serial", "time"};
const std::vector<std::string> LongNames = {"file", "frame", "serial", "name", "raw", "value"};

void AppendCsvField(std::string& Line, std::string_view Text) {
  if (Text.find_first_of(",\"\r\n") == std::string_view::npos) {
    Line += Text;
    return;
  }
  Line += '"';
  for (const char C : Text) {
    if (C == '"') Line += '"';
    Line += C;
  }
  Line += '"';
}

void AppendTsvField(std::string& Line, std::string_view Text) {
  for (const char C : Text) Line += C == '\t' || C == '\n' || C == '\r' ? ' ' : C;
}

void AppendJsonString(std::string& Line, std::string_view Text) {
  Line += '"';
  for (const char C : Text) {
    const auto Byte = static_cast<unsigned char>(C);
    if (C == '"' || C == '\\') {
      Line += '\\';
      Line += C;
    } else if (C == '\t' || C == '\n' || C == '\r') {
      Line += C == '\t' ? "\\t" : C == '\n' ? "\\n" : "\\r";
    } else if (Byte < 0x20 || Byte >= 0x80) {
      // Texts are 8-bit: a byte above 127 is the Latin-1 character, so every line is valid JSON.
      static const char Hex[] = "0123456789abcdef";
      Line += "\\u00";
      Line += Hex[Byte >> 4];
      Line += Hex[Byte & 15];
    } else {
      Line += C;
    }
  }
  Line += '"';
}

// The shortest text that reads back as Value ("0.1", "1e+300", "inf",
// "-inf" or "nan"), into Text; its length.
std::size_t NumberChars(double Value, char (&Text)[32]) {
  if (std::isnan(Value)) return std::string_view("nan").copy(Text, 3);
  if (std::isinf(Value)) return std::string_view(Value > 0 ? "inf" : "-inf").copy(Text, 4);
  return static_cast<std::size_t>(std::to_chars(Text, Text + sizeof Text, Value).ptr - Text);
}

}  // namespace

TTableWriter::TTableWriter(std::ostream& Out, TTableFormat Format, TTableLayout Layout,
                           const TFramesDefinition& Definition, const std::vector<std::string>& Messages,
                           const TTableColumns& Columns)
    : Out(Out), Format(Format), Layout(Layout), Definition(Definition), Messages(Messages), Columns(Columns) {
  Names = Layout == TTableLayout::Long ? LongNames : WideFixed;
  if (Layout == TTableLayout::Wide)
    for (const TTableColumn& Column : Columns.Columns()) Names.push_back(Column.Name);
  for (const std::string& Name : Names) {
    std::string Key;
    AppendJsonString(Key, Name);
    JsonKeys.push_back(Key + ':');
  }
}

void TTableWriter::WriteHeader() {
  if (Format == TTableFormat::Jsonl) return;
  BeginRow();
  for (const std::string& Name : Names) Field(TCellKind::Text, Name);
  EndRow();
}

void TTableWriter::BeginRow() {
  Line.clear();
  Column = 0;
  if (Format == TTableFormat::Jsonl) Line += '{';
}

void TTableWriter::Field(TCellKind Kind, std::string_view Text) {
  if (Column > 0) Line += Format == TTableFormat::Tsv ? '\t' : ',';
  if (Format == TTableFormat::Jsonl) {
    Line += JsonKeys[Column];
    if (Kind == TCellKind::Number)
      Line += Text;
    else if (Kind == TCellKind::Text)
      AppendJsonString(Line, Text);
    else
      Line += "null";
  } else if (Kind != TCellKind::Text) {
    Line += Text;  // numbers need no quoting
  } else if (Format == TTableFormat::Csv) {
    AppendCsvField(Line, Text);
  } else {
    AppendTsvField(Line, Text);
  }
  ++Column;
}

void TTableWriter::NumberField(double Value) {
  char Text[32];
  Field(std::isfinite(Value) ? TCellKind::Number : TCellKind::NonFinite,
        std::string_view(Text, NumberChars(Value, Text)));
}

void TTableWriter::CountField(std::int64_t Value) {
  char Text[32];
  const char* const End = std::to_chars(Text, Text + sizeof Text, Value).ptr;
  Field(TCellKind::Number, std::string_view(Text, static_cast<std::size_t>(End - Text)));
}

void TTableWriter::EndRow() {
  Line += Format == TTableFormat::Jsonl ? "}\n" : "\n";
  Out.write(Line.data(), static_cast<std::streamsize>(Line.size()));
}

// The transformed value; for a TEXT variable the message its raw value numbers.
void TTableWriter::ValueField(const TDecodedNode& Node) {
  if (!IsTextNode(Definition, Node)) return NumberField(Node.Value);
  const std::int64_t Index = MessageIndex(Node, Messages);
  if (Index < 0) return Field(TCellKind::Absent, "");
  Field(TCellKind::Text, Messages[static_cast<std::size_t>(Index)]);
}

void TTableWriter::WriteFrame(int File, std::int64_t Frame, const TDecodedNode& Root) {
  if (Layout == TTableLayout::Long) {
    ForEachSelectedVariable(Definition, Columns, Root.Child, [&](const TDecodedNode& Node, const std::string& Name) {
      BeginRow();
      CountField(File);
      CountField(Frame);
      CountField(Node.SerialNo);
      Field(TCellKind::Text, Name);
      NumberField(Node.RawValue);
      ValueField(Node);
      EndRow();
    });
    return;
  }
  Time.Take(Definition, Root.Child);
  Columns.Fill(Root, Cells);
  BeginRow();
  CountField(File);
  CountField(Frame);
  CountField(Root.SerialNo);
  if (Time.Known)
    NumberField(Time.Time);
  else
    Field(TCellKind::Absent, "");
  for (const TDecodedNode* Cell : Cells) {
    if (Cell)
      ValueField(*Cell);
    else
      Field(TCellKind::Absent, "");
  }
  EndRow();
}
