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

std::int64_t& TAlarmHitList::OpenOf(const TAlarmHit& Hit) {
  TCount& Count = CountOf(Hit.Alarm);
  return Hit.Warning ? Count.OpenWarnings : Count.Open;
}

void TAlarmHitList::Add(const TAlarmHit& Hit) {
  FHits.push_back(Hit);
  TCount& Count = CountOf(Hit.Alarm);
  ++(Hit.Warning ? Count.Warnings : Count.Hits);
  OpenOf(Hit) += !Hit.Acknowledged;
}

void TAlarmHitList::Acknowledge(std::size_t Index) {
  if (Index >= FHits.size() || FHits[Index].Acknowledged) return;
  FHits[Index].Acknowledged = true;
  --OpenOf(FHits[Index]);
}

void TAlarmHitList::AcknowledgeAll() {
  for (TAlarmHit& Hit : FHits) Hit.Acknowledged = true;
  for (TCount& Count : FCounts) Count.Open = Count.OpenWarnings = 0;
}

namespace {

// "12 hits, 3 not acknowledged"; empty without hits.
std::string KindText(std::int64_t Total, std::int64_t Open, const char* One, const char* Many) {
  if (Total == 0) return {};
  return std::to_string(Total) + " " + (Total == 1 ? One : Many) + ", " + std::to_string(Open) + " not acknowledged";
}

}  // namespace

std::string TAlarmHitList::CountText() const {
  std::string Text;
  for (const TCount& Count : FCounts) {
    if (!Text.empty()) Text += '\n';
    const std::string Hits = KindText(Count.Hits, Count.Open, "hit", "hits");
    const std::string Warnings = KindText(Count.Warnings, Count.OpenWarnings, "warning", "warnings");
    Text += Count.Alarm + ": " + Hits + (Hits.empty() || Warnings.empty() ? "" : "; ") + Warnings;
  }
  return Text;
}
