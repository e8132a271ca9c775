#include "common/OffThread.h"

#include <utility>

namespace {
TOffThreadRunner* Current = nullptr;
}  // namespace

TOffThreadRunner* SetOffThreadRunner(TOffThreadRunner* Runner) { return std::exchange(Current, Runner); }

std::exception_ptr RunCatching(const TOffThreadWork& Work) {
  try {
    Work();
  } catch (...) {
    return std::current_exception();
  }
  return nullptr;
}

void RunOffThread(TOffThreadWork Work, TOffThreadDone Done) {
  if (Current) {
    Current->Run(std::move(Work), std::move(Done));
    return;
  }
  Done(RunCatching(Work));
}

void OnWindowThread(std::function<void()> Call) {
  if (Current) Current->OnWindowThread(std::move(Call));
  else Call();
}
