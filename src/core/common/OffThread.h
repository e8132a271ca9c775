#pragma once
// Lets a long piece of work run off the window thread. The desktop program
// runs it on a thread of its own and hands its end and its calls to the
// windows to the window thread as queued events; elsewhere all runs at once,
// on the caller's thread.
#include <exception>
#include <functional>

// Work runs on any thread; Done then runs on the window thread, with the
// exception that ended Work (none when it returned).
using TOffThreadWork = std::function<void()>;
using TOffThreadDone = std::function<void(std::exception_ptr Failure)>;

class TOffThreadRunner {
 public:
  virtual ~TOffThreadRunner() = default;
  virtual void Run(TOffThreadWork Work, TOffThreadDone Done) = 0;
  // Runs Call on the window thread: at once when called there, else queued
  // behind the calls and ends queued before.
  virtual void OnWindowThread(std::function<void()> Call) = 0;
};

// Installs Runner (nullptr: run at once) and returns the one before.
TOffThreadRunner* SetOffThreadRunner(TOffThreadRunner* Runner);
void RunOffThread(TOffThreadWork Work, TOffThreadDone Done);
void OnWindowThread(std::function<void()> Call);
// Runs Work, returning the exception that ended it.
std::exception_ptr RunCatching(const TOffThreadWork& Work);
