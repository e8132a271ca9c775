#pragma once
// Lets pending window events run, deferred deletions included.
#include <QApplication>

inline void ProcessPendingEvents() {
  QApplication::processEvents();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
