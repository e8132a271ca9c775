#pragma once
// Writes decoded BaseFrames as a table for analysis tools: one row per
// BaseFrame (wide) or one per decoded variable (long), as CSV, TSV or JSON
// lines. Numbers are the shortest text that reads back to the same double.
#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"
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

  // The header line (CSV and TSV).
  void WriteHeader();
  // The rows of Roots, BaseFrames of File 1 or 2 numbered in their file from
  // FirstFrame on, in their order.
  void WriteFrames(int File, std::int64_t FirstFrame, std::span<TDecodedNode* const> Roots);

 private:
  enum class TCellKind { Absent, Number, NonFinite, Text };
  // Rows built into one text, on a thread of their own (in a cache line of
  // their own).
  struct alignas(64) TRows {
    std::string Text;
    std::size_t Column = 0;
    std::vector<const TDecodedNode*> Cells;
    TPlotTime Time;
    // Leading BaseFrames without a PLOT_TIME of their rows' own, whose rows
    // wait for the time the rows before them end with.
    std::size_t Untimed = 0;
  };
  // Adds the rows of Roots [Begin, End) to Rows; WaitForTime: counts the
  // leading ones whose time Rows does not know yet in Untimed instead.
  void BuildRows(TRows& Rows, int File, std::int64_t FirstFrame, std::span<TDecodedNode* const> Roots,
                 std::size_t Begin, std::size_t End, bool WaitForTime) const;
  void BeginRow(TRows& Rows) const;
  void Field(TRows& Rows, TCellKind Kind, std::string_view Text) const;
  void NumberField(TRows& Rows, double Value) const;
  void CountField(TRows& Rows, std::int64_t Value) const;
  void ValueField(TRows& Rows, const TDecodedNode& Node, bool IsText) const;
  void EndRow(TRows& Rows) const;
  void Write(const TRows& Rows);
  // WriteFrames of some hundred BaseFrames a thread.
  void WriteRound(int File, std::int64_t FirstFrame, std::span<TDecodedNode* const> Roots);

  std::ostream& Out;
  TTableFormat Format;
  TTableLayout Layout;
  const TFramesDefinition& Definition;
  const std::vector<std::string>& Messages;
  const TTableColumns& Columns;
  std::vector<std::string> Names;  // of the columns, fixed ones first
  std::vector<const TDecodedNode*> Cells;
  std::vector<std::string> JsonKeys;  // "name": of each column
  TPlotTime Time;                     // after the rows written
  std::vector<TRows> Parts;           // kept with their memory from round to round
};
