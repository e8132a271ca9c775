#include "plot/PlotColumn.h"

#include <algorithm>

#include "structure/InstrumentNames.h"
#include "structure/NameHash.h"
#include "structure/PlotTimeRow.h"

// Names are matched by their hash, and confirmed by their text: different
// names that share a hash are not the name the user typed.
double FindValue(const TFramesDefinition& Definition, const TDecodedNode* List, const std::string& Name,
                 std::uint32_t NameHash) {
  for (const TDecodedNode* Node = List; Node; Node = Node->Next) {
    if (Node->Child) {
      const double Found = FindValue(Definition, Node->Child, Name, NameHash);
      if (Found != MissingValue) return Found;
      continue;
    }
    const TDefinitionEntry* Row = Definition.RowAt(Node->DefIndex);
    if (Row && Row->NameHash == NameHash && Row->VarName == Name) return Node->Value;
  }
  return MissingValue;
}

namespace {

bool IsSeriesRow(const TDefinitionEntry& Row, const TPlotNames& Names) {
  return Row.FrameHash == Names.FrameHash && Row.NameHash == Names.NameHash && Row.VarName == Names.VarName &&
         Row.FrameName == Names.FrameName;
}

bool IsSortRow(const TDefinitionEntry& Row, const TPlotNames& Names) {
  return !Names.SortVar.empty() && Row.NameHash == Names.SortHash && Row.VarName == Names.SortVar;
}

}  // namespace

// Sub-frame contents come before their node; a node's time test before its match.
void TPlotColumn::Take(const TFramesDefinition& Definition, const TPlotNames& Names, const TDecodedNode* List) {
  if (!Names.SortVar.empty()) Keys.push_back(FindValue(Definition, List, Names.SortVar, Names.SortHash));
  bool SetsTime = false;
  double Time = 0;
  const auto Collect = [&](const auto& Self, const TDecodedNode* Nodes) -> void {
    for (const TDecodedNode* Node = Nodes; Node; Node = Node->Next) {
      if (Node->Child) Self(Self, Node->Child);
      if (const TDefinitionEntry* Row = Definition.RowAt(Node->DefIndex))
        Meet(IsPlotTimeRow(*Row), IsSeriesRow(*Row, Names), Node->Value, Node->SerialNo, SetsTime, Time);
    }
  };
  Collect(Collect, List);
  Starts.push_back(static_cast<std::uint32_t>(FramePoints.size()));
  EndFrame(SetsTime, Time);
}

void TPlotColumn::Meet(bool TimeRow, bool Point, double Value, std::int64_t SerialNo, bool& SetsTime, double& Time) {
  if (TimeRow) {
    SetsTime = true;
    Time = Value;
  }
  if (Point) FramePoints.push_back({Value, Time, SerialNo, SetsTime});
}

void TPlotColumn::ReserveFirstFill(std::size_t Points, std::size_t NewFrames, bool Sorted) {
  // Room for tracking too, so that the next ticks copy nothing.
  if (FramePoints.empty()) FramePoints.reserve(Points + Points / 4);
  if (Frames() > 0) return;
  const std::size_t Room = NewFrames + NewFrames / 4;
  Starts.reserve(Room + 1);
  LastTimes.reserve(Room);
  TimeSet.reserve(Room);
  if (Sorted) Keys.reserve(Room);
}

void TPlotColumn::EndFrame(bool SetsTime, double Time) {
  LastTimes.push_back(Time);
  TimeSet.push_back(SetsTime);
}

void TPlotColumn::TakeColumns(const TFramesDefinition& Definition, const TPlotNames& Names, TData& Data) {
  // The rows whose nodes the walk below a root meets and Take reads.
  const std::int32_t RootRow = Definition.FindFrame(BaseFrameName);
  std::vector<std::int32_t> Rows;
  for (std::size_t Row = 0; Row < Definition.Entries.size(); ++Row) {
    const TDefinitionEntry& Entry = Definition.Entries[Row];
    if (static_cast<std::int32_t>(Row) != RootRow &&
        (IsPlotTimeRow(Entry) || IsSeriesRow(Entry, Names) || IsSortRow(Entry, Names)))
      Rows.push_back(static_cast<std::int32_t>(Row));
  }
  const auto From = static_cast<std::uint32_t>(Frames());
  const std::vector<const TFrameColumn*> Columns = Data.ColumnsOf(Rows, From);
  // What each column's nodes are to the plot.
  struct TRole {
    bool Time, Series, Key;
  };
  std::vector<TRole> Roles;
  std::vector<std::size_t> Next(Columns.size());
  std::size_t Coming = 0;
  for (std::size_t K = 0; K < Columns.size(); ++K) {
    const TDefinitionEntry& Row = Definition.Entries[static_cast<std::size_t>(Rows[K])];
    Roles.push_back({IsPlotTimeRow(Row), IsSeriesRow(Row, Names), IsSortRow(Row, Names) && Row.Kind != ekSubframe});
    Next[K] = Columns[K]->FirstOf(From);
    if (Roles[K].Series) Coming += Columns[K]->Size() - Next[K];
  }
  ReserveFirstFill(Coming, Data.Index().size() - From, !Names.SortVar.empty());
  // The nodes of a BaseFrame, in the order of its walk.
  struct TMet {
    std::uint32_t Place;
    std::size_t Column, At;
  };
  std::vector<TMet> Met;
  for (std::uint32_t Frame = From; Frame < Data.Index().size(); ++Frame) {
    Met.clear();
    for (std::size_t K = 0; K < Columns.size(); ++K)
      for (std::size_t& At = Next[K]; At < Columns[K]->Size() && Columns[K]->Frames[At] == Frame; ++At)
        Met.push_back({Columns[K]->Places[At], K, At});
    std::ranges::sort(Met, {}, &TMet::Place);
    bool SetsTime = false, Keyed = false;
    double Time = 0;
    for (const TMet& Node : Met) {
      const TRole Role = Roles[Node.Column];
      const double Value = Columns[Node.Column]->Values[Node.At];
      if (!Keyed && Role.Key) {
        Keys.push_back(Value);
        Keyed = true;
      }
      Meet(Role.Time, Role.Series, Value, Data.SerialOf(Frame, Node.Place), SetsTime, Time);
    }
    if (!Names.SortVar.empty() && !Keyed) Keys.push_back(MissingValue);
    Starts.push_back(static_cast<std::uint32_t>(FramePoints.size()));
    EndFrame(SetsTime, Time);
  }
}
