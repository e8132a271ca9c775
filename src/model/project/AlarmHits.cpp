#include "project/AlarmHits.h"

#include <algorithm>

namespace {
TAlarmHitSink& CurrentSink() {
  static TAlarmHitSink Sink;
  return Sink;
}
}  // namespace

TAlarmHitSink SetAlarmHitSink(TAlarmHitSink Sink) { return std::exchange(CurrentSink(), std::move(Sink)); }

void ReportAlarmHit(const TAlarmHit& Hit) {
  if (const TAlarmHitSink& Sink = CurrentSink()) Sink(Hit);
}

TAlarmHitList::TCount& TAlarmHitList::CountOf(const std::string& Alarm) {
  // Few alarms: a scan is quicker than a map.
  const auto Entry = std::find_if(FCounts.begin(), FCounts.end(), [&](const TCount& C) { return C.Alarm == Alarm; });
  return Entry != FCounts.end() ? *Entry : FCounts.emplace_back(TCount{Alarm});
}

void TAlarmHitList::Add(const TAlarmHit& Hit) {
  FHits.push_back(Hit);
  TCount& Count = CountOf(Hit.Alarm);
  ++Count.Hits;
  Count.Open += !Hit.Acknowledged;
}

void TAlarmHitList::Acknowledge(std::size_t Index) {
  if (Index >= FHits.size() || FHits[Index].Acknowledged) return;
  FHits[Index].Acknowledged = true;
  --CountOf(FHits[Index].Alarm).Open;
}

void TAlarmHitList::AcknowledgeAll() {
  for (TAlarmHit& Hit : FHits) Hit.Acknowledged = true;
  for (TCount& Count : FCounts) Count.Open = 0;
}

std::string TAlarmHitList::CountText() const {
  std::string Text;
  for (const TCount& Count : FCounts) {
    if (!Text.empty()) Text += '\n';
    Text += Count.Alarm + ": " + std::to_string(Count.Hits) + (Count.Hits == 1 ? " hit, " : " hits, ") +
            std::to_string(Count.Open) + " not acknowledged";
  }
  return Text;
}
