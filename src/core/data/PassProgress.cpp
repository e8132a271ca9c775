#include "data/PassProgress.h"

#include <string>

#include "common/Log.h"
#include "common/OffThread.h"

void TPassProgress::Begin(std::int64_t Maximum) {
  OnWindowThread([&Display = Display, Maximum] {
    Display.SetMaximum(Maximum);
    Display.ShowProgress();
  });
}

void TPassProgress::Show(std::int64_t Position, std::int64_t Frames) {
  OnWindowThread([&Display = Display, Position, Frames] {
    Display.SetPosition(Position);
    Display.SetCounter(std::to_string(Frames));
  });
}

void TPassProgress::Refresh(std::int64_t Position, std::int64_t Frames) {
  OnWindowThread([&Display = Display, Position, Frames] {
    Display.SetPosition(Position);
    Display.SetCounter(std::to_string(Frames));
    // What the display logs then is no part of the pass.
    const TLogPause NoPartOfThePass;
    Display.PositionShown();
  });
}

bool TPassProgress::RefreshAsksStop(std::int64_t Position, std::int64_t Frames) {
  if (Interval.count() != 0 && std::chrono::steady_clock::now() < Next) return false;
  Refresh(Position, Frames);
  Next = std::chrono::steady_clock::now() + Interval;
  return StopAsked();
}

bool TPassProgress::StopAsked() {
  if (!Display.StopRequested() && !Cancel) return false;
  StopWasAsked = true;
  return true;
}
