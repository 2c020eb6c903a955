// Helpers for tests that drive real windows in this process.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "ui/timer.h"

namespace guitest {

// Runs one step per timer tick inside whatever message loop runs meanwhile
// (the application's, a modal show's, a system dialog's), and stops after the last.
class Steps {
 public:
  explicit Steps(std::vector<std::function<void()>> steps);

 private:
  std::vector<std::function<void()>> steps_;
  size_t next_ = 0;
  ui::Timer timer_{10};
};

// Dispatches messages until `done` holds; false if it never did (a safety
// bound so that a fault fails the test instead of hanging it).
bool PumpUntil(const std::function<bool()>& done);

// Waits on a second thread for a system dialog box of the calling thread to
// show, then acts on it as a user would; dialogs still open a while later are
// cancelled, so that a fault fails the test instead of hanging it.
class DialogDriver {
 public:
  explicit DialogDriver(std::function<void(HWND dialog)> act);
  ~DialogDriver() { thread_.join(); }
  bool Found() const { return found_; }

 private:
  std::atomic<bool> found_{false};
  std::thread thread_;
};

}  // namespace guitest
