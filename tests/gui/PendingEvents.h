#pragma once
// Lets pending window events run, deferred deletions included.
#include <QApplication>

#include "common/LoadProgress.h"

inline void ProcessPendingEvents() {
  QApplication::processEvents();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Lets events run until no update pass runs: passes read and decode off the
// window thread and end in an event.
inline void WaitForPasses() {
  while (LoadProgress().Busy) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
