#include "plot/PlotColumn.h"

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

// Sub-frame contents come before their node; a node's time test before its match.
void TPlotColumn::Take(const TFramesDefinition& Definition, const TPlotNames& Names, const TDecodedNode* List) {
  if (!Names.SortVar.empty()) Keys.push_back(FindValue(Definition, List, Names.SortVar, Names.SortHash));
  const std::size_t First = FramePoints.size();
  bool SetsTime = false;
  double Time = 0;
  const auto Collect = [&](const auto& Self, const TDecodedNode* Nodes) -> void {
    for (const TDecodedNode* Node = Nodes; Node; Node = Node->Next) {
      if (Node->Child) Self(Self, Node->Child);
      const TDefinitionEntry* Row = Definition.RowAt(Node->DefIndex);
      if (!Row) continue;
      if (IsPlotTimeRow(*Row)) {
        SetsTime = true;
        Time = Node->Value;
      }
      if (Row->FrameHash == Names.FrameHash && Row->NameHash == Names.NameHash && Row->VarName == Names.VarName &&
          Row->FrameName == Names.FrameName)
        FramePoints.push_back({Node->Value, Time, Node->SerialNo, SetsTime});
    }
  };
  Collect(Collect, List);
  Counts.push_back(static_cast<std::uint32_t>(FramePoints.size() - First));
  LastTimes.push_back(Time);
  TimeSet.push_back(SetsTime);
}
