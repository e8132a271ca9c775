#pragma once
// The shared progress display of update passes and the one process-wide
// flag that says a pass is running. The desktop application installs its
// progress window; without one, passes run headless.
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
  // Lets the GUI handle pending events once per BaseFrame.
  virtual void ProcessMessages() {}
};

// The installed progress display (a headless one by default).
TLoadProgress& LoadProgress();
// Installs Progress (nullptr restores the headless one); returns the previous.
TLoadProgress* SetLoadProgress(TLoadProgress* Progress);
