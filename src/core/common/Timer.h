#pragma once
// The tracking timer seam: the desktop application supplies real timers,
// tests and the command-line tool manual ones.
#include <functional>
#include <memory>

class TTimer {
 public:
  virtual ~TTimer() = default;
  std::function<void()> OnTimer;
  virtual void SetEnabled(bool Enabled) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetInterval(int Milliseconds) = 0;
  virtual int Interval() const = 0;
};

// Never fires by itself; Fire runs the tick when the timer is enabled.
class TManualTimer : public TTimer {
 public:
  void SetEnabled(bool Enabled) override { FEnabled = Enabled; }
  bool Enabled() const override { return FEnabled; }
  void SetInterval(int Milliseconds) override { FInterval = Milliseconds; }
  int Interval() const override { return FInterval; }
  void Fire() {
    if (FEnabled && OnTimer) OnTimer();
  }

 private:
  bool FEnabled = false;
  int FInterval = 0;
};

using TTimerFactory = std::function<std::unique_ptr<TTimer>()>;

// Installs the factory CreateTimer uses (an empty one restores manual timers)
// and returns the previous one.
TTimerFactory SetTimerFactory(TTimerFactory Factory);
std::unique_ptr<TTimer> CreateTimer();
