// The message loop, modal showing, show and hide events, and timers.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "kol/widgets/controls.h"
#include "kol/widgets/message_loop.h"
#include "kol/widgets/timer.h"
#include "tests/kol/widgets/gui_test_support.h"

using namespace kol;

TEST(MessageLoop, ClosingTheMainFormEndsTheLoopButARefusedCloseLeavesAFormOpen) {
  auto app = CreateApplicationWindow("tarnwick");
  Widget* main = CreateForm(*app, "Tarnwick v1.01 (Heroes of Might & Magic IV)");
  CreateLabel(*main, "Выделено:");
  Widget* first_tab_stop = CreateButton(*main, "Выделить все");
  CreateButton(*main, "Инвертировать выделение");
  Widget* status = CreateForm(*app, "Form2");
  status->SetVisible(false);
  Widget* plain = CreateForm(*app, "Plain");
  plain->SetVisible(false);
  int refusals = 0;
  status->OnClose = [&](Widget&, bool& accept) {
    ++refusals;
    accept = false;
  };
  bool freed = false;
  main->AddToAutoFree([&] { freed = true; });
  bool status_open = false, plain_open = true, still_running = false;
  HWND status_window = nullptr, active = nullptr, focus = nullptr;
  HWND main_window = nullptr, button_window = nullptr;

  guitest::Steps steps({
      [&] {
        active = GetActiveWindow();
        focus = GetFocus();
        main_window = main->Handle();
        button_window = first_tab_stop->Handle();
        status->Show();
        plain->Show();
      },
      [&] {
        status_window = status->Handle();
        PostMessageW(status_window, WM_CLOSE, 0, 0);
        PostMessageW(plain->Handle(), WM_CLOSE, 0, 0);
      },
      [&] {
        status_open = IsWindow(status_window) && IsWindowVisible(status_window);
        plain_open = plain->Handle() != nullptr;  // an ordinary form closes
        still_running = ApplicationRunning();
        PostMessageW(main->Handle(), WM_CLOSE, 0, 0);
      },
  });
  RunApplication(app);

  EXPECT_TRUE(steps.Done());
  EXPECT_EQ(active, main_window);  // the main form, not the application window
  EXPECT_EQ(focus, button_window);
  EXPECT_EQ(refusals, 1);
  EXPECT_TRUE(status_open);
  EXPECT_FALSE(plain_open);
  EXPECT_TRUE(still_running);
  EXPECT_EQ(app, nullptr);  // freed, with every form in it
  EXPECT_TRUE(freed);
  EXPECT_FALSE(IsWindow(status_window));
  EXPECT_FALSE(ApplicationRunning());
}

TEST(MessageLoop, ShowModalEndsOnAModalResultAndReenablesExactlyTheFormsItDisabled) {
  auto app = CreateApplicationWindow("tarnwick");
  Widget* main = CreateForm(*app, "Main");
  Widget* off = CreateForm(*app, "Already disabled");
  Widget* dialog = CreateForm(*app, "Выберите тип формарования пути");
  Widget* done = CreateButton(*dialog, "Готово");
  done->OnClick = [&](Widget&) { dialog->SetModalResult(1); };
  dialog->SetVisible(false);
  off->SetEnabled(false);
  app->GetWindowHandle();

  bool main_disabled = false, off_disabled = false, dialog_enabled = false;
  {
    guitest::Steps steps({
        [&] {
          main_disabled = !IsWindowEnabled(main->Handle());
          off_disabled = !IsWindowEnabled(off->Handle());
          dialog_enabled = IsWindowEnabled(dialog->Handle()) && IsWindowVisible(dialog->Handle());
        },
        [&] { SendMessageW(done->Handle(), BM_CLICK, 0, 0); },
    });
    EXPECT_EQ(dialog->ShowModal(), 1);
    EXPECT_TRUE(steps.Done());
  }
  EXPECT_TRUE(main_disabled);
  EXPECT_TRUE(off_disabled);
  EXPECT_TRUE(dialog_enabled);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  EXPECT_FALSE(IsWindowEnabled(off->Handle()));
  EXPECT_TRUE(IsWindowVisible(dialog->Handle()));  // the caller hides it

  // A close request ends the show with -1 and leaves the window in place; the
  // form's own refusal does not keep the show going.
  dialog->Hide();
  dialog->OnClose = [](Widget&, bool& accept) { accept = false; };
  HWND window = dialog->Handle();
  {
    guitest::Steps steps({[&] { PostMessageW(window, WM_CLOSE, 0, 0); }});
    EXPECT_EQ(dialog->ShowModal(), -1);
  }
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(dialog->Handle(), window);
  // Outside a modal show the close goes to OnClose again.
  int closes = 0;
  dialog->OnClose = [&](Widget&, bool& accept) {
    ++closes;
    accept = false;
  };
  SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(closes, 1);
}

TEST(MessageLoop, ShowAndHideEventsFollowTheWindowsVisibility) {
  auto app = CreateApplicationWindow("tarnwick");
  CreateForm(*app, "Main");
  Widget* box = CreateForm(*app, "Box");
  box->SetVisible(false);
  app->GetWindowHandle();
  std::vector<std::string> events;
  box->OnShow = [&](Widget&) { events.push_back("show"); };
  box->OnHide = [&](Widget&) { events.push_back("hide"); };
  box->Show();
  box->Show();  // already visible: no second event
  box->Hide();
  box->Hide();
  box->Show();
  EXPECT_EQ(events, (std::vector<std::string>{"show", "hide", "show"}));
}

namespace {

std::vector<UINT> g_intervals;

UINT_PTR WINAPI RecordingSetTimer(HWND window, UINT_PTR id, UINT interval, TIMERPROC proc) {
  g_intervals.push_back(interval);
  return ::SetTimer(window, id, 5, proc);  // tick soon, whatever was asked
}

}  // namespace

TEST(Timer, ANonPositiveIntervalMeansASecondAndEveryTickRaisesOnTimer) {
  const auto previous = detail::ReplaceSetTimer(RecordingSetTimer);
  g_intervals.clear();
  auto every_second = CreateTimer(0);
  auto fast = CreateTimer(50);
  auto negative = CreateTimer(-5);
  int ticks = 0;
  every_second->OnTimer = [&](Timer&) { ++ticks; };
  every_second->SetEnabled(true);
  fast->SetEnabled(true);
  negative->SetEnabled(true);
  EXPECT_EQ(g_intervals, (std::vector<UINT>{1000, 50, 1000}));
  EXPECT_TRUE(guitest::PumpUntil([&] { return ticks >= 2; }));

  every_second->SetEnabled(false);
  kol::ProcessMessages();
  const int stopped_at = ticks;
  Sleep(30);
  kol::ProcessMessages();
  EXPECT_EQ(ticks, stopped_at);
  detail::ReplaceSetTimer(previous);
}
