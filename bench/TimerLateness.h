#pragma once
// How late a 10 ms timer on the window thread fires while that thread works:
// every gap between two timeouts beyond 10 ms is the lateness of the second.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <cstddef>
#include <functional>
#include <vector>

#include "BenchMeasure.h"
#include "common/LoadProgress.h"

struct TLateness {
  double Worst = 0;         // seconds
  double Percentile99 = 0;  // seconds
  std::size_t Timeouts = 0;
};

class TTimerWatch {
 public:
  static constexpr int IntervalMs = 10;

  TTimerWatch() {
    Timer.setTimerType(Qt::PreciseTimer);
    Timer.setInterval(IntervalMs);
    QObject::connect(&Timer, &QTimer::timeout, [this] { Times.push_back(TBenchClock::now()); });
  }

  void Start() {
    Times.assign(1, TBenchClock::now());
    Timer.start();
  }

  // The lateness of the timeouts since Start, and of the stop itself when
  // no timeout came in time before it.
  TLateness Stop() {
    Timer.stop();
    Times.push_back(TBenchClock::now());
    std::vector<double> Late;
    for (std::size_t I = 1; I < Times.size(); ++I)
      Late.push_back(std::max(0.0, std::chrono::duration<double>(Times[I] - Times[I - 1]).count() - IntervalMs / 1e3));
    std::sort(Late.begin(), Late.end());
    return {Late.back(), Late[(Late.size() - 1) * 99 / 100], Times.size() - 2};
  }

 private:
  QTimer Timer;
  std::vector<TBenchClock::time_point> Times;
};

// Runs the window thread's events until Done holds.
inline void RunEventsUntil(const std::function<bool()>& Done) {
  while (!Done()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Runs events until no update pass runs: passes end in an event.
inline void RunEventsUntilNoPass() {
  RunEventsUntil([] { return !LoadProgress().Busy; });
}

inline void RunEventsFor(double Seconds) {
  QElapsedTimer Elapsed;
  Elapsed.start();
  RunEventsUntil([&] { return Elapsed.elapsed() >= static_cast<qint64>(Seconds * 1e3); });
}
