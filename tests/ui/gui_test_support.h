// Helpers for tests that drive real windows in this process.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "ui/message_loop.h"
#include "ui/timer.h"

namespace guitest {

// Runs one step per timer tick inside whatever message loop runs meanwhile
// (the application's, a modal show's, a system dialog's), and stops after the last.
class Steps {
 public:
  explicit Steps(std::vector<std::function<void()>> steps) : steps_(std::move(steps)) {
    timer_.OnTimer = [this](ui::Timer& timer) {
      if (next_ == steps_.size()) return;
      timer.SetEnabled(next_ + 1 < steps_.size());
      steps_[next_++]();
    };
    timer_.SetEnabled(!steps_.empty());
  }

 private:
  std::vector<std::function<void()>> steps_;
  size_t next_ = 0;
  ui::Timer timer_{10};
};

// Dispatches messages until `done` holds; false if it never did (a safety
// bound so that a fault fails the test instead of hanging it).
inline bool PumpUntil(const std::function<bool()>& done) {
  for (const ULONGLONG giveUp = GetTickCount64() + 10000; !done(); Sleep(1)) {
    if (GetTickCount64() > giveUp) return false;
    ui::ProcessMessages();
  }
  return true;
}

// A visible system dialog box ("#32770") of the thread, or null.
inline HWND VisibleDialog(DWORD thread) {
  for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", nullptr));) {
    if (IsWindowVisible(w) && GetWindowThreadProcessId(w, nullptr) == thread) return w;
  }
  return nullptr;
}

// Waits on a second thread for a system dialog box of the calling thread to
// show, then acts on it as a user would; dialogs still open a while later are
// cancelled, so that a fault fails the test instead of hanging it.
class DialogDriver {
 public:
  explicit DialogDriver(std::function<void(HWND dialog)> act)
      : thread_([this, act = std::move(act), ui = GetCurrentThreadId()] {
          HWND dialog = nullptr;
          for (int tries = 0; tries < 400 && !(dialog = VisibleDialog(ui)); ++tries) Sleep(25);
          if (!(found_ = dialog != nullptr)) return;
          Sleep(500);  // a folder tree fills itself and selects the initial folder first
          act(dialog);
          for (int tries = 0; tries < 60 && (dialog = VisibleDialog(ui)); ++tries) {
            if (tries >= 20) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            Sleep(100);
          }
        }) {}
  ~DialogDriver() { thread_.join(); }
  bool Found() const { return found_; }

 private:
  std::atomic<bool> found_{false};
  std::thread thread_;
};

}  // namespace guitest
