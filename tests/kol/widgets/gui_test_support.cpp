#include "tests/kol/widgets/gui_test_support.h"

#include "kol/widgets/message_loop.h"

namespace guitest {

Steps::Steps(std::vector<std::function<void()>> steps) : steps_(std::move(steps)) {
  timer_.OnTimer = [this](kol::Timer& timer) {
    if (Done()) return;
    timer.SetEnabled(next_ + 1 < steps_.size());
    steps_[next_++]();
  };
  timer_.SetEnabled(!steps_.empty());
}

bool PumpUntil(const std::function<bool()>& done) {
  const ULONGLONG give_up = GetTickCount64() + 10000;
  while (!done()) {
    if (GetTickCount64() > give_up) return false;
    kol::ProcessMessages();
    Sleep(1);
  }
  return true;
}

RECT RectInParent(HWND window) {
  RECT r;
  GetWindowRect(window, &r);
  if (GetWindowLongPtrW(window, GWL_STYLE) & WS_CHILD) {
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
  }
  return r;
}

}  // namespace guitest
