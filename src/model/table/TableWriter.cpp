#include "table/TableWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

#include "common/DateTimeStamp.h"
#include "common/FloatText.h"
#include "common/Threads.h"
#include "table/FieldText.h"

namespace {

const std::vector<std::string> WideFixed = {"file", "frame", "serial", "time", "datetime"};
const std::vector<std::string> LongNames = {"file", "frame", "serial", "datetime", "name", "raw", "value"};

char* Chars(char* P, std::string_view Text) { return std::copy(Text.begin(), Text.end(), P); }

// The room the longest number takes, with its separator.
constexpr std::size_t NumberRoom = 33;

}  // namespace

TTableWriter::TTableWriter(std::ostream& Out, TTableFormat Format, TTableLayout Layout,
                           const TFramesDefinition& Definition, const std::vector<std::string>& Messages,
                           const TTableColumns& Columns)
    : Out(Out), Format(Format), Layout(Layout), Definition(Definition), Messages(Messages), Columns(Columns) {
  Names = Layout == TTableLayout::Long ? LongNames : WideFixed;
  if (Layout == TTableLayout::Wide)
    for (const TTableColumn& Column : Columns.Columns()) Names.push_back(Column.Name);
  RowRoom = 3;  // "{", "}" and the line's end
  for (const std::string& Name : Names) {
    JsonKeys.push_back(JsonStringText(Name) + ':');
    RowRoom += NumberRoom + (Format == TTableFormat::Jsonl ? JsonKeys.back().size() : 0);
  }
}

char* TTableWriter::TTextBuffer::Room(std::size_t Bytes) {
  if (Capacity - Size < Bytes) {
    Capacity = std::max(Capacity * 2, Size + Bytes);
    std::unique_ptr<char[]> Grown(new char[Capacity]);
    std::copy_n(Data.get(), Size, Grown.get());
    Data = std::move(Grown);
  }
  return Data.get() + Size;
}

void TTableWriter::WriteHeader() {
  if (Format == TTableFormat::Jsonl) return;
  TRows Header;
  char* P = BeginRow(Header);
  for (std::size_t Column = 0; Column < Names.size(); ++Column) P = Text(Header, P, Column, Names[Column]);
  EndRow(Header, P);
  Write(Header);
}

char* TTableWriter::BeginRow(TRows& Rows) const {
  char* P = Rows.Text.Room(RowRoom);
  if (Format == TTableFormat::Jsonl) *P++ = '{';
  return P;
}

char* TTableWriter::Separator(char* P, std::size_t Column) const {
  if (Column > 0) *P++ = Format == TTableFormat::Tsv ? '\t' : ',';
  if (Format == TTableFormat::Jsonl) P = Chars(P, JsonKeys[Column]);
  return P;
}

char* TTableWriter::Absent(char* P, std::size_t Column) const {
  P = Separator(P, Column);
  return Format == TTableFormat::Jsonl ? Chars(P, "null") : P;
}

char* TTableWriter::TNumberTexts::Write(char* P, double Value) {
  std::uint64_t Bits;
  std::memcpy(&Bits, &Value, sizeof Bits);
  TEntry& Entry = Entries[(Bits * 0x9E3779B97F4A7C15u) >> (64 - IndexBits)];
  if (Entry.Length == 0 || Entry.Bits != Bits) {
    Entry.Bits = Bits;
    Entry.Length = static_cast<std::uint8_t>(ShortestFloatChars(Entry.Text, Value) - Entry.Text);
  }
  // A number's room takes the whole entry: a copy of fixed length is cheaper.
  static_assert(sizeof Entry.Text < NumberRoom);
  std::memcpy(P, Entry.Text, sizeof Entry.Text);
  return P + Entry.Length;
}

char* TTableWriter::Number(TRows& Rows, char* P, std::size_t Column, double Value) const {
  P = Separator(P, Column);
  if (std::isfinite(Value)) return Rows.Numbers.Write(P, Value);
  if (Format == TTableFormat::Jsonl) return Chars(P, "null");
  return Chars(P, std::isnan(Value) ? "nan" : Value > 0 ? "inf" : "-inf");
}

char* TTableWriter::Count(char* P, std::size_t Column, std::int64_t Value) const {
  P = Separator(P, Column);
  return std::to_chars(P, P + NumberRoom, Value).ptr;
}

char* TTableWriter::DateTime(char* P, std::size_t Column, const TPlotTime& Time) const {
  const std::int64_t Nanoseconds = Time.Known ? DateTimeNanoseconds(StartTime, Time.Time) : NoDateTime;
  if (Nanoseconds == NoDateTime) return Absent(P, Column);
  static_assert(IsoDateTimeLength + 2 < NumberRoom);  // with JSON's quotes
  P = Separator(P, Column);
  if (Format == TTableFormat::Jsonl) *P++ = '"';
  P = WriteIsoDateTime(P, Nanoseconds);
  if (Format == TTableFormat::Jsonl) *P++ = '"';
  return P;
}

char* TTableWriter::Text(TRows& Rows, char* P, std::size_t Column, std::string_view Text) const {
  Rows.Text.End(P);
  P = Separator(Rows.Text.Room(RowRoom + Text.size() * 6 + 2), Column);
  if (Format == TTableFormat::Jsonl) return JsonString(P, Text);
  return Format == TTableFormat::Csv ? CsvField(P, Text) : TsvField(P, Text);
}

void TTableWriter::EndRow(TRows& Rows, char* P) const {
  if (Format == TTableFormat::Jsonl) *P++ = '}';
  *P++ = '\n';
  Rows.Text.End(P);
}

void TTableWriter::Write(const TRows& Rows) {
  const std::string_view Text = Rows.Text.View();
  Out.write(Text.data(), static_cast<std::streamsize>(Text.size()));
}

char* TTableWriter::Value(TRows& Rows, char* P, std::size_t Column, const TDecodedNode& Node, bool IsText,
                          const std::vector<std::string>& Messages) const {
  if (!IsText) return Number(Rows, P, Column, Node.Value);
  const std::int64_t Index = MessageIndex(Node, Messages);
  if (Index < 0) return Absent(P, Column);
  return Text(Rows, P, Column, Messages[static_cast<std::size_t>(Index)]);
}

void TTableWriter::BuildRows(TRows& Rows, int File, std::int64_t FirstFrame, std::span<TDecodedNode* const> Roots,
                             std::size_t Begin, std::size_t End, bool WaitForTime) const {
  for (std::size_t I = Begin; I < End; ++I) {
    const TDecodedNode& Root = *Roots[I];
    const std::int64_t Frame = FirstFrame + static_cast<std::int64_t>(I);
    if (Layout == TTableLayout::Long) Columns.TakeTime(Root, Rows.Time);
    else Columns.Fill(Root, Rows.Cells, Rows.Time);
    if (WaitForTime && !Rows.Time.Known) {
      ++Rows.Untimed;
      continue;
    }
    if (!Range.Holds(Frame, Rows.Time)) continue;
    if (Layout == TTableLayout::Long) LongRows(Rows, File, Frame, Root);
    else EndRow(Rows, WideCells(Rows, WideStart(Rows, File, Frame, Root.SerialNo, Rows.Time), Messages));
  }
}

void TTableWriter::LongRows(TRows& Rows, int File, std::int64_t Frame, const TDecodedNode& Root) const {
  ForEachSelectedVariable(Definition, Columns, Root.Child, [&](const TDecodedNode& Node, const std::string& Name) {
    char* P = BeginRow(Rows);
    P = Count(P, 0, File);
    P = Count(P, 1, Frame);
    P = Count(P, 2, Node.SerialNo);
    P = DateTime(P, 3, Rows.Time);
    P = Text(Rows, P, 4, Name);
    P = Number(Rows, P, 5, Node.RawValue);
    EndRow(Rows, Value(Rows, P, 6, Node, IsTextNode(Definition, Node), Messages));
  });
}

char* TTableWriter::WideStart(TRows& Rows, int File, std::int64_t Frame, std::int64_t Serial,
                              const TPlotTime& RowTime) const {
  char* P = BeginRow(Rows);
  P = Count(P, 0, File);
  P = Count(P, 1, Frame);
  P = Count(P, 2, Serial);
  P = RowTime.Known ? Number(Rows, P, 3, RowTime.Time) : Absent(P, 3);
  return DateTime(P, 4, RowTime);
}

char* TTableWriter::WideCells(TRows& Rows, char* P, const std::vector<std::string>& Messages) const {
  for (std::size_t C = 0; C < Rows.Cells.size(); ++C) {
    const TDecodedNode* Cell = Rows.Cells[C];
    const std::size_t Column = WideFixed.size() + C;
    P = Cell ? Value(Rows, P, Column, *Cell, Columns.IsText(C), Messages) : Absent(P, Column);
  }
  return P;
}

void TTableWriter::TRows::Clear() {
  Text.Clear();
  Time = {};
  Untimed = 0;
  Taken.clear();
}

void TTableWriter::WriteFrames(int File, std::int64_t FirstFrame, std::span<TDecodedNode* const> Roots) {
  // Rounds of about a thousand BaseFrames a thread, so that each part's rows stay in the cache.
  constexpr std::size_t RoundRoots = 1024;
  const std::size_t Round = RoundRoots * ThreadCount(Threads);
  for (std::size_t Begin = 0; Begin < Roots.size(); Begin += Round) {
    const std::size_t End = std::min(Roots.size(), Begin + Round);
    WriteRound(File, FirstFrame + static_cast<std::int64_t>(Begin), Roots.subspan(Begin, End - Begin));
  }
}

void TTableWriter::WriteRound(int File, std::int64_t FirstFrame, std::span<TDecodedNode* const> Roots) {
  // Parts of at least MinRoots BaseFrames, one per thread; the rows of a
  // part after the first wait for the time the parts before end with (when
  // there can be one).
  constexpr std::size_t MinRoots = 64;
  const std::size_t Count = std::clamp<std::size_t>(Roots.size() / MinRoots, 1, ThreadCount(Threads));
  const auto Bound = [&Roots, Count](std::size_t Part) { return Roots.size() * Part / Count; };
  Parts.resize(Count);
  for (TRows& Rows : Parts) Rows.Clear();
  Parts[0].Time = Time;
  RunParts(Count, [&](std::size_t Part) {
    BuildRows(Parts[Part], File, FirstFrame, Roots, Bound(Part), Bound(Part + 1), Part > 0 && Columns.HasTime());
  });
  for (std::size_t Part = 0; Part < Count; ++Part) {
    TRows& Rows = Parts[Part];
    if (Rows.Untimed > 0) {
      Waiting.Clear();
      Waiting.Time = Time;
      BuildRows(Waiting, File, FirstFrame, Roots, Bound(Part), Bound(Part) + Rows.Untimed, false);
      Write(Waiting);
    }
    Write(Rows);
    if (Rows.Time.Known) Time = Rows.Time;
  }
}

// The rows of a chunk without their first columns, which depend on the
// chunks before: serial number and time.
class TTableWriter::TRowSink : public TChunkSink {
 public:
  TRowSink(TTableWriter& Writer, int File, std::int64_t& Frames)
      : Writer(Writer), File(File), Frames(Frames), Kept(Writer.SpareRows.Take()) {}
  ~TRowSink() override { Writer.SpareRows.GiveBack(std::move(Kept)); }
  TRowSink(const TRowSink&) = delete;
  TRowSink& operator=(const TRowSink&) = delete;

  void Take(const TDecodedNode& Root, const std::vector<std::string>& Messages) override {
    TRows& Rows = *Kept;
    Writer.Columns.Fill(Root, Rows.Cells, Rows.Time);
    Rows.Text.End(Writer.WideCells(Rows, Rows.Text.Room(Writer.RowRoom), Messages));
    Rows.Taken.push_back({Rows.Text.View().size(), Root.SerialNo, Rows.Time});
  }

  void Join(const TSerialNumbering& Serials) override {
    TRows& Out = Writer.Joined;
    Out.Text.Clear();
    std::size_t Start = 0;
    for (const TTakenRow& Row : Kept->Taken) {
      // A row without a time of its chunk's own has the one before.
      if (Row.Time.Known) Writer.Time = Row.Time;
      const std::string_view Cells = Kept->Text.View().substr(Start, Row.End - Start);
      Start = Row.End;
      const std::int64_t Frame = Frames++;
      if (!Writer.Range.Holds(Frame, Writer.Time)) continue;
      Out.Text.End(Writer.WideStart(Out, File, Frame, Serials(Row.Serial), Writer.Time));
      char* P = std::copy(Cells.begin(), Cells.end(), Out.Text.Room(Cells.size() + 2));
      Writer.EndRow(Out, P);
    }
    Writer.Write(Out);
  }
  // A join writes what the writer joins into; takes build into rows of their own.
  bool JoinsBesideTakes() const override { return true; }

 private:
  TTableWriter& Writer;
  const int File;
  std::int64_t& Frames;
  std::unique_ptr<TRows> Kept;
};

std::unique_ptr<TChunkSink> TTableWriter::NewSink(int File, std::int64_t& Frames) {
  return std::make_unique<TRowSink>(*this, File, Frames);
}
