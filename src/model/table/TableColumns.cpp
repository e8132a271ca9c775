#include "table/TableColumns.h"

#include <algorithm>
#include <numeric>

#include "structure/InstrumentNames.h"
#include "structure/NameHash.h"
#include "structure/PlotTimeRow.h"

namespace {

// First row whose frame name is Name: a sub-frame node's FrameIndex.
std::int32_t FirstRowOf(const TFramesDefinition& Definition, const std::string& Name) {
  for (std::size_t Row = 0; Row < Definition.Entries.size(); ++Row)
    if (Definition.Entries[Row].FrameName == Name) return static_cast<std::int32_t>(Row);
  return -1;
}

}  // namespace

bool MatchesPattern(const std::string& Pattern, const std::string& Name) {
  // Greedy match that backtracks to the last "*".
  std::size_t P = 0, N = 0, Star = std::string::npos, Resume = 0;
  while (N < Name.size()) {
    if (P < Pattern.size() && (Pattern[P] == '?' || Pattern[P] == Name[N])) {
      ++P;
      ++N;
    } else if (P < Pattern.size() && Pattern[P] == '*') {
      Star = P++;
      Resume = N;
    } else if (Star != std::string::npos) {
      P = Star + 1;
      N = ++Resume;
    } else {
      return false;
    }
  }
  while (P < Pattern.size() && Pattern[P] == '*') ++P;
  return P == Pattern.size();
}

TTableColumns::TTableColumns(const TFramesDefinition& Definition) : Definition(Definition) {
  std::vector<std::string> OnPath;
  AddFrame(0, BaseFrameName, "", OnPath);
  // Table order; a row met on several paths keeps the order of the paths.
  std::vector<std::size_t> Order(Found.size());
  std::iota(Order.begin(), Order.end(), 0);
  std::stable_sort(Order.begin(), Order.end(),
                   [this](std::size_t A, std::size_t B) { return Found[A].Row < Found[B].Row; });
  std::size_t Cells = 0;
  for (TPathRows& Rows : PathRows) {
    Rows.Start = Cells;
    Cells += static_cast<std::size_t>(Rows.Count);
  }
  ColumnsOfRows.assign(Cells, -1);
  for (const std::size_t F : Order) {
    const TPathRows& Rows = PathRows[static_cast<std::size_t>(Found[F].Path)];
    ColumnsOfRows[Rows.Start + static_cast<std::size_t>(Found[F].Row - Rows.First)] =
        static_cast<std::int32_t>(FColumns.size());
    FColumns.push_back({Found[F].Name, Found[F].Row});
    TextColumn.push_back(Definition.Entries[static_cast<std::size_t>(Found[F].Row)].Kind == ekText);
  }
  Found.clear();
  for (const TDefinitionEntry& Row : Definition.Entries) TimeRow.push_back(IsPlotTimeRow(Row));
}

std::uint64_t TTableColumns::PathRow(std::int32_t Path, std::int32_t Row) {
  return std::uint64_t{static_cast<std::uint32_t>(Path)} << 32 | static_cast<std::uint32_t>(Row);
}

// The rows a frame decodes: the run of rows from the first one of its name's hash.
void TTableColumns::AddFrame(std::int32_t Path, const std::string& Frame, const std::string& Prefix,
                             std::vector<std::string>& OnPath) {
  const std::uint32_t Hash = DJBHash(Frame);
  const auto& Entries = Definition.Entries;
  std::size_t Row = 0;
  while (Row < Entries.size() && Entries[Row].FrameHash != Hash) ++Row;
  OnPath.push_back(Frame);
  if (PathRows.size() <= static_cast<std::size_t>(Path)) PathRows.resize(static_cast<std::size_t>(Path) + 1);
  std::size_t End = Row;
  while (End < Entries.size() && Entries[End].FrameHash == Hash) ++End;
  PathRows[static_cast<std::size_t>(Path)] = {static_cast<std::int32_t>(Row), static_cast<std::int32_t>(End - Row), 0};
  for (; Row < End; ++Row) {
    const TDefinitionEntry& E = Entries[Row];
    const auto RowIndex = static_cast<std::int32_t>(Row);
    if (E.Kind == ekFrame) continue;
    if (E.Kind != ekSubframe) {
      Found.push_back({Path, RowIndex, Prefix + E.VarName});
      continue;
    }
    if (static_cast<int>(OnPath.size()) > MaxSubframeNesting) continue;
    for (const std::string& Chosen : Definition.SubFrameCandidates(E.VarName)) {
      const std::int32_t Header = FirstRowOf(Definition, Chosen);
      // A frame inside itself would give columns without end.
      if (Header < 0 || std::find(OnPath.begin(), OnPath.end(), Chosen) != OnPath.end()) continue;
      const auto [Below, Inserted] = PathBelow.emplace(PathRow(Path, Header), Paths);
      if (!Inserted) continue;
      ++Paths;
      AddFrame(Below->second, Chosen, Prefix + Entries[static_cast<std::size_t>(Header)].VarName + ".", OnPath);
    }
  }
  OnPath.pop_back();
}

std::vector<std::string> TTableColumns::Select(const std::vector<std::string>& NewPatterns) {
  Patterns = NewPatterns;
  std::vector<std::string> Unmatched;
  for (const std::string& Pattern : Patterns) {
    const bool Any = std::any_of(FColumns.begin(), FColumns.end(),
                                 [&](const TTableColumn& Column) { return MatchesPattern(Pattern, Column.Name); });
    if (!Any) Unmatched.push_back(Pattern);
  }
  std::vector<std::int32_t> NewIndex(FColumns.size(), -1);
  std::vector<TTableColumn> Kept;
  std::vector<bool> KeptText;
  for (std::size_t C = 0; C < FColumns.size(); ++C) {
    if (!Selected(FColumns[C].Name)) continue;
    NewIndex[C] = static_cast<std::int32_t>(Kept.size());
    Kept.push_back(FColumns[C]);
    KeptText.push_back(TextColumn[C]);
  }
  for (std::int32_t& Column : ColumnsOfRows)
    if (Column >= 0) Column = NewIndex[static_cast<std::size_t>(Column)];
  FColumns = std::move(Kept);
  TextColumn = std::move(KeptText);
  return Unmatched;
}

bool TTableColumns::Selected(const std::string& Name) const {
  return Patterns.empty() || std::any_of(Patterns.begin(), Patterns.end(),
                                         [&](const std::string& Pattern) { return MatchesPattern(Pattern, Name); });
}

void TTableColumns::Fill(const TDecodedNode& Root, std::vector<const TDecodedNode*>& Cells, TPlotTime& Time) const {
  Cells.assign(FColumns.size(), nullptr);
  FillList(Root.Child, 0, Cells, Time);
}

void TTableColumns::TakeTime(const TDecodedNode& Root, TPlotTime& Time) const {
  std::vector<const TDecodedNode*> NoCells;
  FillList(Root.Child, -1, NoCells, Time);
}

std::int32_t TTableColumns::ColumnAt(std::int32_t Path, std::int32_t Row) const {
  if (Path < 0) return -1;
  const TPathRows& Rows = PathRows[static_cast<std::size_t>(Path)];
  const auto Index = static_cast<std::uint32_t>(Row - Rows.First);
  return Index < static_cast<std::uint32_t>(Rows.Count) ? ColumnsOfRows[Rows.Start + Index] : -1;
}

void TTableColumns::FillList(const TDecodedNode* List, std::int32_t Path, std::vector<const TDecodedNode*>& Cells,
                             TPlotTime& Time) const {
  for (const TDecodedNode* Node = List; Node; Node = Node->Next) {
    if (Node->Child) {
      const auto Below = Path < 0 ? PathBelow.end() : PathBelow.find(PathRow(Path, Node->FrameIndex));
      FillList(Node->Child, Below == PathBelow.end() ? -1 : Below->second, Cells, Time);
    } else if (const std::int32_t Column = ColumnAt(Path, Node->DefIndex); Column >= 0) {
      const TDecodedNode*& Cell = Cells[static_cast<std::size_t>(Column)];
      if (!Cell) Cell = Node;
    }
    if (Node->DefIndex >= 0 && static_cast<std::size_t>(Node->DefIndex) < TimeRow.size() &&
        TimeRow[static_cast<std::size_t>(Node->DefIndex)]) {
      Time.Known = true;
      Time.Time = Node->Value;
    }
  }
}

std::vector<std::int32_t> TTableColumns::RowsInUse() const {
  std::vector<std::int32_t> Rows;
  for (const TTableColumn& Column : FColumns) Rows.push_back(Column.Row);
  for (std::size_t Row = 0; Row < TimeRow.size(); ++Row)
    if (TimeRow[Row]) Rows.push_back(static_cast<std::int32_t>(Row));
  return Rows;
}
