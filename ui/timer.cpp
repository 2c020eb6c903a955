#include "ui/timer.h"

#include <algorithm>
#include <vector>

namespace ui {
namespace {

HWND g_timerWindow = nullptr;
std::vector<Timer*> g_timers;  // every live timer

LRESULT CALLBACK TimerWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_TIMER) {
    auto* timer = reinterpret_cast<Timer*>(wparam);
    if (std::find(g_timers.begin(), g_timers.end(), timer) != g_timers.end() && timer->OnTimer) {
      timer->OnTimer(*timer);
    }
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND TimerWindow() {
  if (!g_timerWindow) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = TimerWindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"obj_Timer";
    RegisterClassExW(&wc);  // fails harmlessly when registered before
    g_timerWindow = CreateWindowExW(0, L"obj_Timer", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                    GetModuleHandleW(nullptr), nullptr);
  }
  return g_timerWindow;
}

UINT_PTR TimerId(Timer* timer) { return reinterpret_cast<UINT_PTR>(timer); }

}  // namespace

Timer::Timer(int interval) : interval_(interval > 0 ? interval : 1000) { g_timers.push_back(this); }

Timer::~Timer() {
  SetEnabled(false);
  std::erase(g_timers, this);
  if (g_timers.empty() && g_timerWindow) {
    DestroyWindow(g_timerWindow);
    g_timerWindow = nullptr;
  }
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  if (enabled) {
    SetTimer(TimerWindow(), TimerId(this), static_cast<UINT>(interval_), nullptr);
  } else if (g_timerWindow) {
    KillTimer(g_timerWindow, TimerId(this));
  }
}

std::unique_ptr<Timer> CreateTimer(int interval) { return std::make_unique<Timer>(interval); }

}  // namespace ui
