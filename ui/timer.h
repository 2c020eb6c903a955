// Timers (Windows only). All timers share one hidden window, made with the
// first enabled timer and freed with the last timer.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

namespace ui {

class Timer {
 public:
  explicit Timer(int interval);  // milliseconds; 0 or less means 1000
  ~Timer();
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;

  void SetEnabled(bool enabled);
  bool Enabled() const { return enabled_; }

  std::function<void(Timer& timer)> OnTimer;  // raised on each tick

 private:
  int interval_;
  bool enabled_ = false;
};

std::unique_ptr<Timer> CreateTimer(int interval);

}  // namespace ui
