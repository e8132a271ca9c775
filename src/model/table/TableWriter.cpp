#include "table/TableWriter.h"

#include <charconv>
#include <cmath>


namespace {

const std::vector<std::string> WideFixed = {"file", "frame", "serial", "time"};
const std::vector<std::string> LongNames = {"file", "frame", "serial", "name", "raw", "value"};

std::string CsvField(const std::string& Text) {
  if (Text.find_first_of(",\"\r\n") == std::string::npos) return Text;
  std::string Quoted = "\"";
  for (const char C : Text) Quoted += C == '"' ? std::string("\"\"") : std::string(1, C);
  return Quoted + '"';
}

std::string TsvField(std::string Text) {
  for (char& C : Text)
    if (C == '\t' || C == '\n' || C == '\r') C = ' ';
  return Text;
}

std::string JsonString(const std::string& Text) {
  std::string Json = "\"";
  for (const char C : Text) {
    const auto Byte = static_cast<unsigned char>(C);
    if (C == '"' || C == '\\') {
      Json += '\\';
      Json += C;
    } else if (C == '\t' || C == '\n' || C == '\r') {
      Json += C == '\t' ? "\\t" : C == '\n' ? "\\n" : "\\r";
    } else if (Byte < 0x20 || Byte >= 0x80) {
      // Texts are 8-bit: a byte above 127 is the Latin-1 character, so every line is valid JSON.
      static const char Hex[] = "0123456789abcdef";
      Json += "\\u00";
      Json += Hex[Byte >> 4];
      Json += Hex[Byte & 15];
    } else {
      Json += C;
    }
  }
  return Json + '"';
}

}  // namespace

std::string ShortestNumberText(double Value) {
  if (std::isnan(Value)) return "nan";
  if (std::isinf(Value)) return Value > 0 ? "inf" : "-inf";
  char Text[32];
  const auto Result = std::to_chars(Text, Text + sizeof Text, Value);
  return std::string(Text, Result.ptr);
}

TTableWriter::TTableWriter(std::ostream& Out, TTableFormat Format, TTableLayout Layout,
                           const TFramesDefinition& Definition, const std::vector<std::string>& Messages,
                           const TTableColumns& Columns)
    : Out(Out), Format(Format), Layout(Layout), Definition(Definition), Messages(Messages), Columns(Columns) {
  Names = Layout == TTableLayout::Long ? LongNames : WideFixed;
  if (Layout == TTableLayout::Wide)
    for (const TTableColumn& Column : Columns.Columns()) Names.push_back(Column.Name);
}

void TTableWriter::WriteHeader() {
  if (Format == TTableFormat::Jsonl) return;
  for (std::size_t C = 0; C < Names.size(); ++C) {
    if (C) Out << (Format == TTableFormat::Csv ? ',' : '\t');
    Out << (Format == TTableFormat::Csv ? CsvField(Names[C]) : TsvField(Names[C]));
  }
  Out << '\n';
}

TTableWriter::TCell TTableWriter::NumberCell(double Value) {
  return {std::isfinite(Value) ? TCellKind::Number : TCellKind::NonFinite, ShortestNumberText(Value)};
}

// The transformed value; for a TEXT variable the message its raw value numbers.
TTableWriter::TCell TTableWriter::ValueCell(const TDecodedNode& Node) const {
  if (!IsTextNode(Definition, Node)) return NumberCell(Node.Value);
  const std::int64_t Index = MessageIndex(Node, Messages);
  if (Index < 0) return {TCellKind::Absent, ""};
  return {TCellKind::Text, Messages[static_cast<std::size_t>(Index)]};
}

void TTableWriter::WriteFrame(int File, std::int64_t Frame, const TDecodedNode& Root) {
  if (Layout == TTableLayout::Long) {
    ForEachSelectedVariable(Definition, Columns, Root.Child, [&](const TDecodedNode& Node, const std::string& Name) {
      WriteRow({CountCell(File), CountCell(Frame), CountCell(Node.SerialNo), {TCellKind::Text, Name},
                NumberCell(Node.RawValue), ValueCell(Node)});
    });
    return;
  }
  Time.Take(Definition, Root.Child);
  Columns.Fill(Root, Cells);
  Row.assign({CountCell(File), CountCell(Frame), CountCell(Root.SerialNo),
              Time.Known ? NumberCell(Time.Time) : TCell{TCellKind::Absent, ""}});
  for (const TDecodedNode* Cell : Cells) Row.push_back(Cell ? ValueCell(*Cell) : TCell{TCellKind::Absent, ""});
  WriteRow(Row);
}

void TTableWriter::WriteRow(const std::vector<TCell>& Cells) {
  if (Format == TTableFormat::Jsonl) {
    Out << '{';
    for (std::size_t C = 0; C < Cells.size(); ++C) {
      if (C) Out << ',';
      Out << JsonString(Names[C]) << ':';
      switch (Cells[C].Kind) {
        case TCellKind::Number: Out << Cells[C].Text; break;
        case TCellKind::Text: Out << JsonString(Cells[C].Text); break;
        default: Out << "null";
      }
    }
    Out << "}\n";
    return;
  }
  for (std::size_t C = 0; C < Cells.size(); ++C) {
    if (C) Out << (Format == TTableFormat::Csv ? ',' : '\t');
    Out << (Format == TTableFormat::Csv ? CsvField(Cells[C].Text) : TsvField(Cells[C].Text));
  }
  Out << '\n';
}
