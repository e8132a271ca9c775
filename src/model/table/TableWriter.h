#pragma once
// Writes decoded BaseFrames as a table for analysis tools: one row per
// BaseFrame (wide) or one per decoded variable (long), as CSV, TSV or JSON
// lines. Numbers are the shortest text that reads back to the same double.
#include <cstdint>
#include <memory>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "data/ChunkSink.h"
#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"
#include "table/RowRange.h"
#include "table/Spares.h"
#include "table/TableColumns.h"
#include "table/TableRows.h"

enum class TTableFormat { Csv, Tsv, Jsonl };
enum class TTableLayout { Wide, Long };

class TTableWriter {
 public:
  // Messages are the texts of TEXT variables; Columns must outlive the writer.
  TTableWriter(std::ostream& Out, TTableFormat Format, TTableLayout Layout, const TFramesDefinition& Definition,
               const std::vector<std::string>& Messages, const TTableColumns& Columns);

  // Threads the rows of many BaseFrames are built on; 0: one per core.
  int Threads = 0;
  // The Offset Time (days) that the column datetime adds a BaseFrame's time to.
  double StartTime = 0;
  // The rows written; the others are left out.
  TRowRange Range;

  // The header line (CSV and TSV).
  void WriteHeader();
  // The rows of Roots, BaseFrames of File 1 or 2 numbered in their file from
  // FirstFrame on, in their order.
  void WriteFrames(int File, std::int64_t FirstFrame, std::span<TDecodedNode* const> Roots);
  // A sink for the BaseFrames of File that a thread decodes (the wide
  // layout): it builds their rows on that thread and writes them when joined,
  // numbered in their file from Frames on, which it counts on.
  std::unique_ptr<TChunkSink> NewSink(int File, std::int64_t& Frames);

 private:
  // Text that grows without being filled first: a row is written into room
  // made for it.
  class TTextBuffer {
   public:
    // Room for Bytes more after the text; the text ends where End says.
    char* Room(std::size_t Bytes);
    void End(const char* Past) { Size = static_cast<std::size_t>(Past - Data.get()); }
    void Clear() { Size = 0; }
    std::string_view View() const { return {Data.get(), Size}; }

   private:
    std::unique_ptr<char[]> Data;
    std::size_t Size = 0, Capacity = 0;
  };
  // The texts of numbers met lately, by their bits: measured values take few
  // distinct values, and finding a double's shortest text takes long.
  class TNumberTexts {
   public:
    char* Write(char* P, double Value);

   private:
    struct TEntry {
      std::uint64_t Bits = 0;
      std::uint8_t Length = 0;  // 0: empty
      char Text[32];
    };
    static constexpr int IndexBits = 12;
    std::vector<TEntry> Entries = std::vector<TEntry>(std::size_t{1} << IndexBits);
  };
  // A row a sink took: where its cells end in the sink's text.
  struct TTakenRow {
    std::size_t End;
    std::int64_t Serial;  // running, from the chunk's start
    TPlotTime Time;
  };
  // Rows built into one text, on a thread of their own (in a cache line of
  // their own).
  struct alignas(64) TRows {
    TTextBuffer Text;
    TNumberTexts Numbers;
    std::vector<const TDecodedNode*> Cells;
    TPlotTime Time;
    // Leading BaseFrames without a PLOT_TIME of their rows' own, whose rows
    // wait for the time the rows before them end with.
    std::size_t Untimed = 0;
    std::vector<TTakenRow> Taken;  // by a sink
    // Empty, keeping the memory.
    void Clear();
  };
  class TRowSink;
  // Adds the rows of Roots [Begin, End) to Rows; WaitForTime: counts the
  // leading ones whose time Rows does not know yet in Untimed instead.
  void BuildRows(TRows& Rows, int File, std::int64_t FirstFrame, std::span<TDecodedNode* const> Roots,
                 std::size_t Begin, std::size_t End, bool WaitForTime) const;
  // The cells of a row are written at P, in room for a row (RowRoom), and
  // return the end of what they wrote; Column counts from 0.
  char* BeginRow(TRows& Rows) const;
  char* Separator(char* P, std::size_t Column) const;
  char* Absent(char* P, std::size_t Column) const;
  char* Number(TRows& Rows, char* P, std::size_t Column, double Value) const;
  char* Count(char* P, std::size_t Column, std::int64_t Value) const;
  // StartTime plus Time, in ISO 8601 text; absent without a time.
  char* DateTime(char* P, std::size_t Column, const TPlotTime& Time) const;
  // Makes room for Text besides the rest of the row.
  char* Text(TRows& Rows, char* P, std::size_t Column, std::string_view Text) const;
  // The transformed value; for a TEXT variable the message of Messages its
  // raw value numbers.
  char* Value(TRows& Rows, char* P, std::size_t Column, const TDecodedNode& Node, bool IsText,
              const std::vector<std::string>& Messages) const;
  void EndRow(TRows& Rows, char* P) const;
  // The long layout's rows of a BaseFrame, at Rows.Time.
  void LongRows(TRows& Rows, int File, std::int64_t Frame, const TDecodedNode& Root) const;
  // A wide row's fixed columns, from its start, and its cells (Rows.Cells).
  char* WideStart(TRows& Rows, int File, std::int64_t Frame, std::int64_t Serial, const TPlotTime& RowTime) const;
  char* WideCells(TRows& Rows, char* P, const std::vector<std::string>& Messages) const;
  void Write(const TRows& Rows);
  // WriteFrames of about a thousand BaseFrames a thread.
  void WriteRound(int File, std::int64_t FirstFrame, std::span<TDecodedNode* const> Roots);

  std::ostream& Out;
  TTableFormat Format;
  TTableLayout Layout;
  const TFramesDefinition& Definition;
  const std::vector<std::string>& Messages;
  const TTableColumns& Columns;
  std::vector<std::string> Names;     // of the columns, fixed ones first
  std::vector<std::string> JsonKeys;  // "name": of each column
  std::size_t RowRoom = 0;            // for a row without texts
  TPlotTime Time;                     // after the rows written
  std::vector<TRows> Parts;           // kept with their memory from round to round
  TRows Waiting;                      // the rows of a part that waited for the time
  TRows Joined;                       // the rows of a sink
  TSpares<TRows> SpareRows;           // of the sinks dropped
};
