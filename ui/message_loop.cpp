#include "ui/message_loop.h"

#include "ui/controls.h"
#include "ui/menu.h"

namespace ui {
namespace {

bool Usable(const Widget* button) {
  return button && button->Handle() && IsWindowVisible(button->Handle()) &&
         IsWindowEnabled(button->Handle());
}

// Enter, Esc and the arrows between radio buttons, as a dialog box has them.
bool PressFormKey(Widget& form, HWND root, WPARAM key) {
  HWND focus = GetFocus();
  Widget* focused = focus && IsChild(root, focus) ? Widget::FromHandle(focus) : nullptr;
  switch (key) {
    case VK_RETURN: {
      // A focused push button is the one pressed, else the form's default one.
      Widget* button = dynamic_cast<Button*>(focused) ? focused : form.DefaultButton();
      if (!Usable(button)) return false;
      SendMessageW(button->Handle(), BM_CLICK, 0, 0);
      return true;
    }
    case VK_ESCAPE:
      if (Usable(form.CancelButton())) {
        SendMessageW(form.CancelButton()->Handle(), BM_CLICK, 0, 0);
        return true;
      }
      if (!form.ShownModally()) return false;
      SendMessageW(root, WM_CLOSE, 0, 0);
      return true;
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT: {
      // Our radio buttons check themselves only when clicked.
      if (!dynamic_cast<RadioButton*>(focused)) return false;
      HWND next = GetNextDlgGroupItem(root, focus, key == VK_UP || key == VK_LEFT);
      if (next && next != focus && dynamic_cast<RadioButton*>(Widget::FromHandle(next))) {
        SetFocus(next);
        // What a click on it would tell its parent.
        SendMessageW(GetParent(next), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(next), BN_CLICKED),
                     reinterpret_cast<LPARAM>(next));
      }
      return true;
    }
    default: return false;
  }
}

// Keys meant for the form rather than for the control with the focus: the menu's
// accelerators, then Enter, Esc, arrows, Tab and access keys as in a dialog box.
// True when the message has been dealt with (and dispatched, if at all).
bool HandleFormKeys(MSG& message) {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST || !message.hwnd) return false;
  HWND root = GetAncestor(message.hwnd, GA_ROOT);
  Widget* form = root ? Widget::FromHandle(root) : nullptr;
  if (!form || form->Role() != WidgetRole::Form) return false;
  if (const Menu* menu = form->GetMenu();
      menu && menu->Accelerators() && TranslateAcceleratorW(root, menu->Accelerators(), &message)) {
    return true;
  }
  if (message.message == WM_KEYDOWN && PressFormKey(*form, root, message.wParam)) return true;
  return IsDialogMessageW(root, &message) != FALSE;
}

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
    if (HandleFormKeys(message)) continue;
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

}  // namespace ui

namespace ui {

void Widget::UpdateNow() {
  if (handle_) UpdateWindow(handle_);
  for (const auto& child : children_) child->UpdateNow();
}

int Widget::ShowModal() {
  if (IsControl() || !parent_) {
    Show();
    return modalResult_;
  }
  HWND focused = GetFocus();
  const int handler =
      AttachHandler([](Widget& form, UINT message, WPARAM, LPARAM, LRESULT& result) {
        if (message != WM_CLOSE) return false;
        form.modalResult_ = -1;  // the window stays; the caller hides it
        result = 0;
        return true;
      });
  modalResult_ = 0;

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
  ++modalDepth_;
  for (;;) {
    ProcessMessages();
    if (modalResult_ != 0 || ApplicationTerminated()) break;
    WaitMessage();
  }
  --modalDepth_;

  DetachHandler(handler);
  for (Widget* w : disabled) {
    if (w->handle_) EnableWindow(w->handle_, TRUE);
  }
  if (focused && IsWindow(focused)) SetFocus(focused);
  return modalResult_;
}

}  // namespace ui
