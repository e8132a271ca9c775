#pragma once
// The alarm notices of one project window: at most one per alarm is open;
// while it is, the hits of later updates are counted in it instead of a new
// notice opening, and nothing waits for its OK.
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "project/AlarmEntry.h"
#include "widgets/Dialogs.h"

class QWidget;

class TAlarmNotices {
 public:
  // The hits of one update of Alarm: the first with Value, MoreHits after it.
  void Show(QWidget* Parent, const TAlarmEntry& Alarm, double Value, std::int64_t MoreHits);

 private:
  struct TOpenNotice {
    std::unique_ptr<TNotice> Notice;
    double Value = 0;
    std::int64_t MoreHits = 0;
    std::int64_t LaterHits = 0;
  };
  // By the alarm's caption.
  std::map<std::string, TOpenNotice> Notices;
};
