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
  // Lets the GUI handle pending events.
  virtual void ProcessMessages() {}
  // A pass shows its position and lets events run at the first BaseFrame and
  // then at most once per interval (0: at every BaseFrame), and shows its final
  // position when its BaseFrames are done. Events run only right after the
  // position is shown, so what is painted is always the true position.
  virtual std::chrono::milliseconds RefreshInterval() const { return std::chrono::milliseconds(25); }
  // Asked right after the events ran: true ends the pass there, with the
  // BaseFrames decoded before, as if its data ended.
  virtual bool StopRequested() { return false; }
};

// The installed progress display (a headless one by default).
TLoadProgress& LoadProgress();
// Installs Progress (nullptr restores the headless one); returns the previous.
TLoadProgress* SetLoadProgress(TLoadProgress* Progress);
