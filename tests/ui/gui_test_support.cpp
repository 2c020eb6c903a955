#include "tests/ui/gui_test_support.h"

#include "ui/message_loop.h"

namespace guitest {

Steps::Steps(std::vector<std::function<void()>> steps) : steps_(std::move(steps)) {
  timer_.OnTimer = [this](ui::Timer& timer) {
    if (next_ == steps_.size()) return;
    timer.SetEnabled(next_ + 1 < steps_.size());
    steps_[next_++]();
  };
  timer_.SetEnabled(!steps_.empty());
}

bool PumpUntil(const std::function<bool()>& done) {
  const ULONGLONG giveUp = GetTickCount64() + 10000;
  while (!done()) {
    if (GetTickCount64() > giveUp) return false;
    ui::ProcessMessages();
    Sleep(1);
  }
  return true;
}

// A visible system dialog box ("#32770") of the thread, or null.
static HWND VisibleDialog(DWORD thread) {
  for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", nullptr));) {
    if (IsWindowVisible(w) && GetWindowThreadProcessId(w, nullptr) == thread) return w;
  }
  return nullptr;
}

DialogDriver::DialogDriver(std::function<void(HWND dialog)> act)
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

}  // namespace guitest
