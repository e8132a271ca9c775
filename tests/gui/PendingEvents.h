#pragma once
// Lets pending window events run, deferred deletions included.
#include <QApplication>
#include <QEventLoop>
#include <chrono>

#include "common/LoadProgress.h"

inline void ProcessPendingEvents() {
  QApplication::processEvents();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Lets events run until none is left (at most for Limit): also the work a
// window does in shares, each share posting the next.
inline void RunEventsUntilIdle(std::chrono::milliseconds Limit = std::chrono::seconds(10)) {
  const auto Until = std::chrono::steady_clock::now() + Limit;
  QEventLoop Loop;
  while (Loop.processEvents() && std::chrono::steady_clock::now() < Until) {
  }
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Lets events run until no update pass runs: passes read and decode off the
// window thread and end in an event.
inline void WaitForPasses() {
  while (LoadProgress().Busy) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}
