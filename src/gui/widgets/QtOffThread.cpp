#include "QtOffThread.h"

#include <QThread>
#include <memory>
#include <system_error>

TQtOffThread::TQtOffThread() : Previous(SetOffThreadRunner(this)) {}

TQtOffThread::~TQtOffThread() {
  SetOffThreadRunner(Previous);
  Threads.clear();
}

void TQtOffThread::Run(TOffThreadWork Work, TOffThreadDone Done) {
  struct TJob {
    TOffThreadWork Work;
    TOffThreadDone Done;
  };
  auto Job = std::make_shared<TJob>(TJob{std::move(Work), std::move(Done)});
  const auto Place = Threads.emplace(Threads.end());
  try {
    // The end is queued behind the work's calls for the window thread; this
    // thread runs it, once Place holds the thread.
    *Place = std::jthread([this, Place, Job] {
      const std::exception_ptr Failure = RunCatching(Job->Work);
      QMetaObject::invokeMethod(
          this,
          [this, Place, Job, Failure] {
            Place->join();
            Threads.erase(Place);
            Job->Done(Failure);
          },
          Qt::QueuedConnection);
    });
  } catch (const std::system_error&) {
    // No thread to be had: the work runs here.
    Threads.erase(Place);
    Job->Done(RunCatching(Job->Work));
  }
}

void TQtOffThread::OnWindowThread(std::function<void()> Call) {
  if (QThread::currentThread() == thread()) Call();
  else QMetaObject::invokeMethod(this, std::move(Call), Qt::QueuedConnection);
}
