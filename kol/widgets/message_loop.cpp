#include "kol/widgets/message_loop.h"

namespace kol {
namespace {

Widget* g_application = nullptr;
bool g_running = false;
bool g_terminated = false;

}  // namespace

Widget* ApplicationWindow() { return g_application; }
bool ApplicationRunning() { return g_running; }
bool ApplicationTerminated() { return g_terminated; }

namespace detail {
void SetApplicationWindow(Widget* application) {
  g_application = application;
  g_terminated = false;
}
void ForgetApplicationWindow(Widget* application) {
  if (g_application == application) g_application = nullptr;
}
void EndApplication() { g_terminated = true; }
}  // namespace detail

void ProcessMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) g_terminated = true;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void RunApplication(std::unique_ptr<Widget>& application) {
  g_running = true;
  g_terminated = false;
  g_application = application.get();
  // Shown without taking the activation from the main form created before.
  if (HWND window = application->GetWindowHandle()) ShowWindow(window, SW_SHOWNA);
  for (;;) {
    ProcessMessages();
    if (g_terminated) break;
    WaitMessage();
  }
  g_running = false;
  g_application = nullptr;
  // Not running any more, so this close asks for no second WM_QUIT.
  if (HWND window = application->Handle()) SendMessageW(window, WM_CLOSE, 0, 0);
  application.reset();
}

}  // namespace kol

namespace kol {

void Widget::UpdateNow() {
  if (handle_) UpdateWindow(handle_);
  for (const auto& child : children_) child->UpdateNow();
}

int Widget::ShowModal() {
  if (IsControl() || !parent_) {
    Show();
    return modal_result_;
  }
  HWND focused = GetFocus();
  const int handler =
      AttachHandler([](Widget& form, UINT message, WPARAM, LPARAM, LRESULT& result) {
        if (message != WM_CLOSE) return false;
        form.modal_result_ = -1;  // the window stays; the caller hides it
        result = 0;
        return true;
      });
  modal_result_ = 0;

  // Every other enabled form of the application, remembered so that exactly
  // these are enabled again.
  std::vector<Widget*> disabled;
  Widget* root = this;
  while (root->parent_) root = root->parent_;
  std::vector<Widget*> pending{root};
  while (!pending.empty()) {
    Widget* w = pending.back();
    pending.pop_back();
    if (w != this && w->role_ == WidgetRole::Form && w->handle_ && IsWindowEnabled(w->handle_)) {
      EnableWindow(w->handle_, FALSE);
      disabled.push_back(w);
    }
    for (const auto& child : w->children_) pending.push_back(child.get());
  }

  Show();
  for (;;) {
    ProcessMessages();
    if (modal_result_ != 0 || ApplicationTerminated()) break;
    WaitMessage();
  }

  DetachHandler(handler);
  for (Widget* w : disabled) {
    if (w->handle_) EnableWindow(w->handle_, TRUE);
  }
  if (focused && IsWindow(focused)) SetFocus(focused);
  return modal_result_;
}

}  // namespace kol
