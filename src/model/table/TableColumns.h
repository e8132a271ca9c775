#pragma once
// The columns of a table of decoded values: one per variable that can occur
// below a BaseFrame, named by its qualified name ("HKFrame.HK_TEMP1"), in
// table order. They follow from the structure definition alone.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"

struct TTableColumn {
  std::string Name;
  std::int32_t Row = 0;
};

class TTableColumns {
 public:
  explicit TTableColumns(const TFramesDefinition& Definition);

  const std::vector<TTableColumn>& Columns() const { return FColumns; }
  // Keeps the columns whose names match one of Patterns ("*" any text, "?"
  // one character). Returns the plain names (no pattern characters) that
  // match no column.
  std::vector<std::string> Select(const std::vector<std::string>& Patterns);
  // Whether Name matches one of the selected patterns (all names before Select).
  bool Selected(const std::string& Name) const;

  // The column of each node below Root, in the walk order of the plot
  // (sub-frame contents before their node): the first node of a column fills
  // it. Cells holds one entry per column.
  void Fill(const TDecodedNode& Root, std::vector<const TDecodedNode*>& Cells) const;

 private:
  // The sub-frames a node descends through are a path; 0 is the BaseFrame.
  void AddFrame(std::int32_t Path, const std::string& Frame, const std::string& Prefix,
                std::vector<std::string>& OnPath);
  void FillList(const TDecodedNode* List, std::int32_t Path, std::vector<const TDecodedNode*>& Cells) const;

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
  // (path, row) -> column, for the selected columns.
  std::unordered_map<std::uint64_t, std::int32_t> ColumnOf;
};

// Whether Name matches Pattern: "*" any text, "?" one character.
bool MatchesPattern(const std::string& Pattern, const std::string& Name);
