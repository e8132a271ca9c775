#pragma once
// Runs the work RunOffThread is given on a thread of its own, and its end
// and the calls for the window thread as queued events of the window thread.
#include <QObject>
#include <list>
#include <thread>

#include "common/OffThread.h"

class TQtOffThread : public QObject, public TOffThreadRunner {
 public:
  // Installs itself; when freed, waits for the work still running (whose
  // ends then do not run) and installs the runner before again.
  TQtOffThread();
  ~TQtOffThread() override;
  TQtOffThread(const TQtOffThread&) = delete;
  TQtOffThread& operator=(const TQtOffThread&) = delete;

  void Run(TOffThreadWork Work, TOffThreadDone Done) override;
  void OnWindowThread(std::function<void()> Call) override;

 private:
  std::list<std::jthread> Threads;
  TOffThreadRunner* Previous;
};
