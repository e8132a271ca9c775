#include "QtTimer.h"

#include <QTimer>

#include "common/Timer.h"

namespace {

class TQtTimer : public TTimer {
 public:
  TQtTimer() {
    QObject::connect(&Timer, &QTimer::timeout, [this] {
      if (OnTimer) OnTimer();
    });
  }
  void SetEnabled(bool Enabled) override {
    if (Enabled) {
      Timer.start();
    } else {
      Timer.stop();
    }
  }
  bool Enabled() const override { return Timer.isActive(); }
  // Like the toolkit's timers, a new interval restarts a running timer.
  void SetInterval(int Milliseconds) override { Timer.setInterval(Milliseconds); }
  int Interval() const override { return Timer.interval(); }

 private:
  QTimer Timer;
};

}  // namespace

void InstallQtTimers() {
  SetTimerFactory([] { return std::make_unique<TQtTimer>(); });
}
