#include "data/PassProgress.h"

#include <string>

#include "common/Log.h"

void TPassProgress::Begin(std::int64_t Maximum) {
  Display.SetMaximum(Maximum);
  Display.ShowProgress();
}

void TPassProgress::Show(std::int64_t Position, std::int64_t Frames) {
  Display.SetPosition(Position);
  Display.SetCounter(std::to_string(Frames));
}

void TPassProgress::ShowAndRunEvents(std::int64_t Position, std::int64_t Frames) {
  Show(Position, Frames);
  const TLogPause NoPartOfThePass;
  Display.ProcessMessages();
}

bool TPassProgress::RefreshAsksStop(std::int64_t Position, std::int64_t Frames) {
  if (Interval.count() != 0 && std::chrono::steady_clock::now() < Next) return false;
  ShowAndRunEvents(Position, Frames);
  Next = std::chrono::steady_clock::now() + Interval;
  return StopAsked();
}

bool TPassProgress::StopAsked() {
  if (!Display.StopRequested()) return false;
  StopWasAsked = true;
  return true;
}
