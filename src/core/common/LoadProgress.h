#pragma once
// The shared progress display of update passes and the one process-wide
// flag that says a pass is running. The desktop application installs its
// progress window; without one, passes run headless.
#include <chrono>
#include <cstdint>
#include <string>

class TLoadProgress {
 public:
  virtual ~TLoadProgress() = default;
  bool Busy = false;
  virtual void ShowProgress() {}
  virtual void HideProgress() {}
  virtual void SetMaximum(std::int64_t) {}
  virtual void SetPosition(std::int64_t) {}
  virtual void SetCounter(const std::string&) {}
  // Right after a position is shown.
  virtual void PositionShown() {}
  // A pass shows its position at the first BaseFrame and then at most once
  // per interval (0: at every BaseFrame), and its final position when its
  // BaseFrames are done. A pass off the window thread makes these calls on
  // the window thread, in their order.
  virtual std::chrono::milliseconds RefreshInterval() const { return std::chrono::milliseconds(25); }
  // Asked, on the pass's thread, right after the position is shown: true
  // ends the pass there, with the BaseFrames decoded before, as if its data
  // ended.
  virtual bool StopRequested() { return false; }
};

// The installed progress display (a headless one by default).
TLoadProgress& LoadProgress();
// Installs Progress (nullptr restores the headless one); returns the previous.
TLoadProgress* SetLoadProgress(TLoadProgress* Progress);
