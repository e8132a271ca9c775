#pragma once
// Writes decoded BaseFrames as a table for analysis tools: one row per
// BaseFrame (wide) or one per decoded variable (long), as CSV, TSV or JSON
// lines. Numbers are the shortest text that reads back to the same double.
#include <cstdint>
#include <ostream>
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

  // The header line (CSV and TSV).
  void WriteHeader();
  // The row(s) of one BaseFrame: File 1 or 2, Frame its number in its file.
  void WriteFrame(int File, std::int64_t Frame, const TDecodedNode& Root);

 private:
  enum class TCellKind { Absent, Number, NonFinite, Text };
  // A row is built in Line and written whole.
  void BeginRow();
  void Field(TCellKind Kind, std::string_view Text);
  void NumberField(double Value);
  void CountField(std::int64_t Value);
  void ValueField(const TDecodedNode& Node);
  void EndRow();

  std::ostream& Out;
  TTableFormat Format;
  TTableLayout Layout;
  const TFramesDefinition& Definition;
  const std::vector<std::string>& Messages;
  const TTableColumns& Columns;
  std::vector<std::string> Names;  // of the columns, fixed ones first
  std::vector<const TDecodedNode*> Cells;
  std::vector<std::string> JsonKeys;  // "name": of each column
  std::string Line;
  std::size_t Column = 0;
  TPlotTimeTracker Time;
};
