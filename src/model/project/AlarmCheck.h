#pragma once
// Testing alarms against decoded BaseFrames, and the names an alarm can watch.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "data/FrameColumns.h"
#include "project/AlarmEntry.h"
#include "structure/DecodedNode.h"
#include "structure/FramesDefinition.h"

// ">" above, "<" below, "=" exactly equal; any other operator, and a value
// that is not a number, never triggers.
bool AlarmTriggers(const TAlarmEntry& Alarm, double NodeValue);

enum class TAlarmLevel { None, Warning, Alarm };
// Alarm when the value triggers the alarm; Warning when it triggers only with
// the warning level in place of the threshold.
TAlarmLevel AlarmLevel(const TAlarmEntry& Alarm, double NodeValue);

// The definition rows whose nodes an alarm watches: those named
// Alarm.VarName (with case).
std::vector<std::int32_t> AlarmRows(const TAlarmEntry& Alarm, const TFramesDefinition& Definition);

// A node whose value reached the warning level or the alarm: its BaseFrame,
// its place there (TFrameColumn) and its value.
struct TTriggeredNode {
  std::uint32_t Frame = 0;
  std::uint32_t Place = 0;
  double Value = 0;
  TAlarmLevel Level = TAlarmLevel::None;
};

// The hits of the nodes of Columns (those of AlarmRows) in the BaseFrames
// from From on, in the order the trees are walked (each node's children
// before the node).
std::vector<TTriggeredNode> TriggeredNodes(const TAlarmEntry& Alarm, std::span<const TFrameColumn* const> Columns,
                                           std::uint32_t From);

// "Alarm triggered: TEMP1 > 25.5 with value: 30" (the log entry); for a
// warning "Warning level reached: TEMP1 > 20 with value: 22".
std::string AlarmLogText(const TAlarmEntry& Alarm, double NodeValue, TAlarmLevel Level = TAlarmLevel::Alarm);
// The text of the warning notice: the same in two lines, then a line
// "(N more hits in this update)" when MoreHits N is not 0 and a line
// "(N more hits in later updates)" when LaterHits N is not 0.
std::string AlarmNoticeText(const TAlarmEntry& Alarm, double NodeValue, std::int64_t MoreHits = 0,
                            std::int64_t LaterHits = 0);

// Appends to Names, in the walk order of the BaseFrame below Root (each
// node's children before the node), every non-empty node name not yet in
// Names (compared without regard to case).
void CollectVariableNames(const TDecodedNode& Root, const TFramesDefinition& Definition,
                          std::vector<std::string>& Names);
