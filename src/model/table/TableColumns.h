#pragma once
// The columns of a table of decoded values: one per variable that can occur
// below a BaseFrame, named by its qualified name ("HKFrame.HK_TEMP1"), in
// table order. They follow from the structure definition alone.
#include <algorithm>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"

// The last PLOT_TIME met, across BaseFrames, in the plot's walk (sub-frame
// contents before their node).
struct TPlotTime {
  bool Known = false;
  double Time = 0;
};

struct TTableColumn {
  std::string Name;
  std::int32_t Row = 0;
};

class TTableColumns {
 public:
  explicit TTableColumns(const TFramesDefinition& Definition);

  const std::vector<TTableColumn>& Columns() const { return FColumns; }
  // Keeps the columns whose names match one of Patterns ("*" any text, "?"
  // one character). Returns the names and patterns that match no column.
  std::vector<std::string> Select(const std::vector<std::string>& Patterns);
  // Whether Name matches one of the selected patterns (all names before Select).
  bool Selected(const std::string& Name) const;

  // The column of each node below Root, in the walk order of the plot
  // (sub-frame contents before their node): the first node of a column fills
  // it. Cells holds one entry per column. Time takes the PLOT_TIMEs below Root.
  void Fill(const TDecodedNode& Root, std::vector<const TDecodedNode*>& Cells, TPlotTime& Time) const;
  // The same for Time alone.
  void TakeTime(const TDecodedNode& Root, TPlotTime& Time) const;
  // Whether a BaseFrame can hold a PLOT_TIME.
  bool HasTime() const { return std::find(TimeRow.begin(), TimeRow.end(), true) != TimeRow.end(); }
  // The definition rows whose values the columns and the time take.
  std::vector<std::int32_t> RowsInUse() const;
  // Whether the column is of a TEXT variable.
  bool IsText(std::size_t Column) const { return TextColumn[Column]; }

 private:
  // The sub-frames a node descends through are a path; 0 is the BaseFrame.
  void AddFrame(std::int32_t Path, const std::string& Frame, const std::string& Prefix,
                std::vector<std::string>& OnPath);
  // Path -1: a sub-frame without columns, walked for the time only.
  void FillList(const TDecodedNode* List, std::int32_t Path, std::vector<const TDecodedNode*>& Cells,
                TPlotTime& Time) const;
  // The selected column of the node at Row on Path, or -1.
  std::int32_t ColumnAt(std::int32_t Path, std::int32_t Row) const;

  struct TFound {
    std::int32_t Path, Row;
    std::string Name;
  };

  const TFramesDefinition& Definition;
  std::vector<TFound> Found;  // while the columns are collected
  std::vector<TTableColumn> FColumns;
  std::vector<std::string> Patterns;
  std::int32_t Paths = 1;
  // Keys of the maps below: path << 32 | row.
  static std::uint64_t PathRow(std::int32_t Path, std::int32_t Row);
  // (path, frame row of a sub-frame node) -> path below it.
  std::unordered_map<std::uint64_t, std::int32_t> PathBelow;
  // The rows a path's frame decodes, [First, First + Count), and where their
  // columns (or -1) start in Columns.
  struct TPathRows {
    std::int32_t First = 0, Count = 0;
    std::size_t Start = 0;
  };
  std::vector<TPathRows> PathRows;
  std::vector<std::int32_t> ColumnsOfRows;
  std::vector<bool> TextColumn;
  std::vector<bool> TimeRow;  // of each definition row: a PLOT_TIME
};

// Whether Name matches Pattern: "*" any text, "?" one character.
bool MatchesPattern(const std::string& Pattern, const std::string& Name);
