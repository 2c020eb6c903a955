// Helpers for tests that drive real windows in this process.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <thread>
#include <memory>
#include <vector>

#include "kol/widgets/timer.h"

namespace guitest {

// Runs one step per timer tick inside whatever message loop runs meanwhile
// (the application's, a modal show's, a system dialog's), and stops after the last.
class Steps {
 public:
  explicit Steps(std::vector<std::function<void()>> steps);
  bool Done() const { return next_ == steps_.size(); }

 private:
  std::vector<std::function<void()>> steps_;
  size_t next_ = 0;
  kol::Timer timer_{10};
};

// Dispatches messages until `done` holds; false if it never did (a safety
// bound so that a fault fails the test instead of hanging it).
bool PumpUntil(const std::function<bool()>& done);

// A window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND window);

// Waits on a second thread for a dialog box of the calling thread to show,
// then acts on it (typing, pressing buttons) as a user would.
class DialogDriver {
 public:
  explicit DialogDriver(std::function<void(HWND dialog)> act, DWORD settleMs = 200)
      : ui_thread_(GetCurrentThreadId()), thread_([this, act = std::move(act), settleMs] {
          for (int tries = 0; tries < 400 && !found_; ++tries) {
            found_ = VisibleDialog();
            if (!found_) Sleep(25);
          }
          if (!found_) return;
          Sleep(settleMs);  // let the dialog finish filling itself
          act(found_);
          // Whatever is still open a while later (a message box the dialog
          // raised, the dialog itself) is cancelled, so that a fault fails the
          // test instead of hanging it.
          for (int tries = 0; tries < 40; ++tries) {
            Sleep(100);
            HWND left = VisibleDialog();
            if (!left) break;
            if (tries >= 20) {
              left_open_ = true;
              PostMessageW(left, WM_COMMAND, IDCANCEL, 0);
            }
          }
        }) {}
  ~DialogDriver() { Wait(); }
  void Wait() {
    if (thread_.joinable()) thread_.join();
  }
  bool Found() const { return found_ != nullptr; }
  bool LeftOpen() const { return left_open_; }

 private:
  HWND VisibleDialog() {
    HWND found = nullptr;
    EnumThreadWindows(
        ui_thread_,
        [](HWND window, LPARAM out) {
          wchar_t name[32];
          GetClassNameW(window, name, 32);
          if (std::wstring(name) != L"#32770" || !IsWindowVisible(window)) return TRUE;
          *reinterpret_cast<HWND*>(out) = window;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
  }

  DWORD ui_thread_;
  std::atomic<HWND> found_{nullptr};
  std::atomic<bool> left_open_{false};
  std::thread thread_;
};

}  // namespace guitest
