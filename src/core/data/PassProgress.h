#pragma once
// What a pass shows on the progress display, and when: its position and
// BaseFrame count at the first BaseFrame and then at most once per refresh
// interval, on the window thread; and whether a stop was asked.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>

#include "common/LoadProgress.h"

class TPassProgress {
 public:
  // Cancel, when set, also ends the pass (its holder is being freed).
  TPassProgress(TLoadProgress& Display, const std::atomic<bool>& Cancel)
      : Display(Display), Cancel(Cancel), Interval(Display.RefreshInterval()) {}

  // Shows the display, up to Maximum.
  void Begin(std::int64_t Maximum);
  void Show(std::int64_t Position, std::int64_t Frames);
  // Show, then tell the display the position is shown.
  void Refresh(std::int64_t Position, std::int64_t Frames);
  // Refresh when it is due (then again one interval later); true when a stop
  // is then asked.
  bool RefreshAsksStop(std::int64_t Position, std::int64_t Frames);
  // How often the threads of a pass look at their progress.
  std::chrono::milliseconds ThreadRefresh() const { return std::max(Interval, std::chrono::milliseconds(10)); }
  // Whether the display asks the pass to stop, or the holder goes (kept for Asked).
  bool StopAsked();
  bool Asked() const { return StopWasAsked; }

 private:
  TLoadProgress& Display;
  const std::atomic<bool>& Cancel;
  const std::chrono::milliseconds Interval;
  std::chrono::steady_clock::time_point Next = std::chrono::steady_clock::now();
  bool StopWasAsked = false;
};
