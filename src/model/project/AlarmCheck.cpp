#include "project/AlarmCheck.h"

#include <algorithm>
#include <functional>
#include <unordered_set>

#include "common/AsciiCase.h"
#include "common/FloatText.h"

namespace {

void Walk(const TDecodedNode* First, const std::function<void(const TDecodedNode&)>& Visit) {
  for (const TDecodedNode* Node = First; Node; Node = Node->Next) {
    // Nesting is bounded by the decoder, so the recursion depth is too.
    if (Node->Child) Walk(Node->Child, Visit);
    Visit(*Node);
  }
}

bool Meets(char Operator, double Threshold, double NodeValue) {
  switch (Operator) {
    case '<': return NodeValue < Threshold;
    case '=': return NodeValue == Threshold;
    case '>': return NodeValue > Threshold;
    default: return false;
  }
}

std::string Condition(const TAlarmEntry& Alarm) {
  return "Alarm triggered: " + Alarm.VarName + " " + Alarm.Operator + " " + GeneralFloatText(Alarm.Value);
}

}  // namespace

bool AlarmTriggers(const TAlarmEntry& Alarm, double NodeValue) { return Meets(Alarm.Operator, Alarm.Value, NodeValue); }

TAlarmLevel AlarmLevel(const TAlarmEntry& Alarm, double NodeValue) {
  if (AlarmTriggers(Alarm, NodeValue)) return TAlarmLevel::Alarm;
  return Alarm.Warning && Meets(Alarm.Operator, *Alarm.Warning, NodeValue) ? TAlarmLevel::Warning : TAlarmLevel::None;
}

std::vector<std::int32_t> AlarmRows(const TAlarmEntry& Alarm, const TFramesDefinition& Definition) {
  std::vector<std::int32_t> Rows;
  for (std::size_t Row = 0; Row < Definition.Entries.size(); ++Row)
    if (Definition.Entries[Row].VarName == Alarm.VarName) Rows.push_back(static_cast<std::int32_t>(Row));
  return Rows;
}

std::vector<TTriggeredNode> TriggeredNodes(const TAlarmEntry& Alarm, std::span<const TFrameColumn* const> Columns,
                                           std::uint32_t From) {
  std::vector<TTriggeredNode> Hits;
  for (const TFrameColumn* Column : Columns)
    for (std::size_t I = Column->FirstOf(From); I < Column->Size(); ++I)
      if (const TAlarmLevel Level = AlarmLevel(Alarm, Column->Values[I]); Level != TAlarmLevel::None)
        Hits.push_back({Column->Frames[I], Column->Places[I], Column->Values[I], Level});
  // The columns' nodes interleave in the trees.
  if (Columns.size() > 1)
    std::ranges::stable_sort(Hits, {}, [](const TTriggeredNode& Hit) { return std::pair(Hit.Frame, Hit.Place); });
  return Hits;
}

std::string AlarmLogText(const TAlarmEntry& Alarm, double NodeValue, TAlarmLevel Level) {
  if (Level == TAlarmLevel::Warning)
    return "Warning level reached: " + Alarm.VarName + " " + Alarm.Operator + " " +
           GeneralFloatText(Alarm.Warning.value_or(Alarm.Value)) + " with value: " + GeneralFloatText(NodeValue);
  return Condition(Alarm) + " with value: " + GeneralFloatText(NodeValue);
}

std::string AlarmNoticeText(const TAlarmEntry& Alarm, double NodeValue, std::int64_t MoreHits, std::int64_t LaterHits) {
  std::string Text = Condition(Alarm) + "\r\nWith value: " + GeneralFloatText(NodeValue);
  if (MoreHits != 0) Text += "\r\n(" + std::to_string(MoreHits) + " more hits in this update)";
  if (LaterHits != 0) Text += "\r\n(" + std::to_string(LaterHits) + " more hits in later updates)";
  return Text;
}

void CollectVariableNames(const TDecodedNode& Root, const TFramesDefinition& Definition,
                          std::vector<std::string>& Names) {
  std::unordered_set<std::string> Known;
  for (const std::string& Name : Names) Known.insert(AsciiLower(Name));
  std::vector<bool> RowSeen(Definition.Entries.size(), false);
  const auto Collect = [&](const TDecodedNode& Node) {
    const auto Row = static_cast<std::size_t>(Node.DefIndex);
    if (Row >= RowSeen.size() || RowSeen[Row]) return;
    RowSeen[Row] = true;
    const std::string& Name = Definition.Entries[Row].VarName;
    if (!Name.empty() && Known.insert(AsciiLower(Name)).second) Names.push_back(Name);
  };
  Walk(Root.Child, Collect);
  Collect(Root);
}
