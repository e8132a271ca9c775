#include "PendingEvents.h"

#include <QApplication>

void ProcessPendingEvents() {
  QApplication::processEvents();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
