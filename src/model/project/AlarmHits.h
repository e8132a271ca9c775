#pragma once
// Alarm hits as the alarm window lists them: reported by the projects,
// counted per alarm and acknowledged by the operator.
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

struct TAlarmHit {
  double Time = 0;    // when it was seen, days since 1899-12-30 (set by the list's owner)
  std::string Frame;  // the BaseFrame's caption
  std::string Alarm;  // the alarm's caption, "TEMP1 > 25.5"
  double Value = 0;
  std::uint64_t Project = 0;  // TProject::Id of the project that saw it
  std::int64_t SerialNo = 0;  // the hit node
  bool Acknowledged = false;
  bool Warning = false;  // the warning level was reached, not the alarm
};

// Receives every alarm hit; installed by the alarm window or a test.
using TAlarmHitSink = std::function<void(const TAlarmHit& Hit)>;
// Installs a sink (an empty one discards hits) and returns the previous one.
TAlarmHitSink SetAlarmHitSink(TAlarmHitSink Sink);
void ReportAlarmHit(const TAlarmHit& Hit);

class TAlarmHitList {
 public:
  // Per alarm caption, in order of first hit: the alarm hits and the warnings,
  // each with those not acknowledged.
  struct TCount {
    std::string Alarm;
    std::int64_t Hits = 0, Open = 0;
    std::int64_t Warnings = 0, OpenWarnings = 0;
  };

  const std::vector<TAlarmHit>& Hits() const { return FHits; }
  const std::vector<TCount>& Counts() const { return FCounts; }
  void Add(const TAlarmHit& Hit);
  void Acknowledge(std::size_t Index);
  void AcknowledgeAll();
  // "TEMP1 > 25.5: 12 hits, 3 not acknowledged; 2 warnings, 0 not
  // acknowledged", one line per alarm; a kind without hits is left out.
  std::string CountText() const;

 private:
  TCount& CountOf(const std::string& Alarm);
  // The open count of Hit's kind.
  std::int64_t& OpenOf(const TAlarmHit& Hit);
  std::vector<TAlarmHit> FHits;
  std::vector<TCount> FCounts;
};
