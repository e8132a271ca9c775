#include "table/TableWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "common/FloatText.h"
#include "common/Threads.h"

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
  return static_cast<std::size_t>(ShortestFloatChars(Text, Value) - Text);
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
  TRows Header;
  BeginRow(Header);
  for (const std::string& Name : Names) Field(Header, TCellKind::Text, Name);
  EndRow(Header);
  Write(Header);
}

void TTableWriter::BeginRow(TRows& Rows) const {
  Rows.Column = 0;
  if (Format == TTableFormat::Jsonl) Rows.Text += '{';
}

void TTableWriter::Field(TRows& Rows, TCellKind Kind, std::string_view Text) const {
  std::string& Line = Rows.Text;
  if (Rows.Column > 0) Line += Format == TTableFormat::Tsv ? '\t' : ',';
  if (Format == TTableFormat::Jsonl) {
    Line += JsonKeys[Rows.Column];
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
  ++Rows.Column;
}

void TTableWriter::NumberField(TRows& Rows, double Value) const {
  char Text[32];
  Field(Rows, std::isfinite(Value) ? TCellKind::Number : TCellKind::NonFinite,
        std::string_view(Text, NumberChars(Value, Text)));
}

void TTableWriter::CountField(TRows& Rows, std::int64_t Value) const {
  char Text[32];
  const char* const End = std::to_chars(Text, Text + sizeof Text, Value).ptr;
  Field(Rows, TCellKind::Number, std::string_view(Text, static_cast<std::size_t>(End - Text)));
}

void TTableWriter::EndRow(TRows& Rows) const { Rows.Text += Format == TTableFormat::Jsonl ? "}\n" : "\n"; }

void TTableWriter::Write(const TRows& Rows) { Out.write(Rows.Text.data(), static_cast<std::streamsize>(Rows.Text.size())); }

// The transformed value; for a TEXT variable the message its raw value numbers.
void TTableWriter::ValueField(TRows& Rows, const TDecodedNode& Node, bool IsText) const {
  if (!IsText) return NumberField(Rows, Node.Value);
  const std::int64_t Index = MessageIndex(Node, Messages);
  if (Index < 0) return Field(Rows, TCellKind::Absent, "");
  Field(Rows, TCellKind::Text, Messages[static_cast<std::size_t>(Index)]);
}

void TTableWriter::BuildRows(TRows& Rows, int File, std::int64_t FirstFrame, std::span<TDecodedNode* const> Roots,
                             std::size_t Begin, std::size_t End, bool WaitForTime) const {
  for (std::size_t I = Begin; I < End; ++I) {
    const TDecodedNode& Root = *Roots[I];
    const std::int64_t Frame = FirstFrame + static_cast<std::int64_t>(I);
    if (Layout == TTableLayout::Long) {
      ForEachSelectedVariable(Definition, Columns, Root.Child, [&](const TDecodedNode& Node, const std::string& Name) {
        BeginRow(Rows);
        CountField(Rows, File);
        CountField(Rows, Frame);
        CountField(Rows, Node.SerialNo);
        Field(Rows, TCellKind::Text, Name);
        NumberField(Rows, Node.RawValue);
        ValueField(Rows, Node, IsTextNode(Definition, Node));
        EndRow(Rows);
      });
      continue;
    }
    Columns.Fill(Root, Rows.Cells, Rows.Time);
    if (WaitForTime && !Rows.Time.Known) {
      ++Rows.Untimed;
      continue;
    }
    BeginRow(Rows);
    CountField(Rows, File);
    CountField(Rows, Frame);
    CountField(Rows, Root.SerialNo);
    if (Rows.Time.Known)
      NumberField(Rows, Rows.Time.Time);
    else
      Field(Rows, TCellKind::Absent, "");
    for (std::size_t C = 0; C < Rows.Cells.size(); ++C) {
      if (const TDecodedNode* Cell = Rows.Cells[C])
        ValueField(Rows, *Cell, Columns.IsText(C));
      else
        Field(Rows, TCellKind::Absent, "");
    }
    EndRow(Rows);
  }
}

void TTableWriter::WriteFrames(int File, std::int64_t FirstFrame, std::span<TDecodedNode* const> Roots) {
  // Rounds of a few hundred BaseFrames a thread, so that each part's rows stay in the cache.
  constexpr std::size_t RoundRoots = 1024;
  const std::size_t Round = RoundRoots * ThreadCount(Threads);
  for (std::size_t Begin = 0; Begin < Roots.size(); Begin += Round) {
    const std::size_t End = std::min(Roots.size(), Begin + Round);
    WriteRound(File, FirstFrame + static_cast<std::int64_t>(Begin), Roots.subspan(Begin, End - Begin));
  }
}

void TTableWriter::WriteRound(int File, std::int64_t FirstFrame, std::span<TDecodedNode* const> Roots) {
  // Parts of at least MinRoots BaseFrames, one per thread; the rows of a
  // part after the first wait for the time the parts before end with.
  constexpr std::size_t MinRoots = 64;
  const std::size_t Count = std::clamp<std::size_t>(Roots.size() / MinRoots, 1, ThreadCount(Threads));
  const auto Bound = [&Roots, Count](std::size_t Part) { return Roots.size() * Part / Count; };
  Parts.resize(Count);
  for (TRows& Rows : Parts) {
    Rows.Text.clear();
    Rows.Time = {};
    Rows.Untimed = 0;
  }
  Parts[0].Time = Time;
  RunParts(Count, [&](std::size_t Part) {
    BuildRows(Parts[Part], File, FirstFrame, Roots, Bound(Part), Bound(Part + 1), Part > 0);
  });
  for (std::size_t Part = 0; Part < Count; ++Part) {
    TRows& Rows = Parts[Part];
    if (Rows.Untimed > 0) {
      TRows Waiting;
      Waiting.Time = Time;
      BuildRows(Waiting, File, FirstFrame, Roots, Bound(Part), Bound(Part) + Rows.Untimed, false);
      Write(Waiting);
    }
    Write(Rows);
    if (Rows.Time.Known) Time = Rows.Time;
  }
}
