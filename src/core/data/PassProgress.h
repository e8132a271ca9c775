#pragma once
// What a pass shows on the progress display, and when: its position and
// BaseFrame count at the first BaseFrame and then at most once per refresh
// interval, each time letting the events run, and whether a stop was asked.
#include <algorithm>
#include <chrono>
#include <cstdint>

#include "common/LoadProgress.h"

class TPassProgress {
 public:
  explicit TPassProgress(TLoadProgress& Display) : Display(Display), Interval(Display.RefreshInterval()) {}

  // Shows the display, up to Maximum.
  void Begin(std::int64_t Maximum);
  void Show(std::int64_t Position, std::int64_t Frames);
  // Show, then lets the events run; what they log is no part of the pass.
  void ShowAndRunEvents(std::int64_t Position, std::int64_t Frames);
  // ShowAndRunEvents when it is due (then again one interval later); true
  // when the display then asks the pass to stop.
  bool RefreshAsksStop(std::int64_t Position, std::int64_t Frames);
  // How often the threads of a pass look at their progress.
  std::chrono::milliseconds ThreadRefresh() const { return std::max(Interval, std::chrono::milliseconds(10)); }
  // Whether the display asks the pass to stop (kept for Asked).
  bool StopAsked();
  bool Asked() const { return StopWasAsked; }
  void Hide() { Display.HideProgress(); }

 private:
  TLoadProgress& Display;
  const std::chrono::milliseconds Interval;
  std::chrono::steady_clock::time_point Next = std::chrono::steady_clock::now();
  bool StopWasAsked = false;
};
