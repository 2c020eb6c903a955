// What a widget does with its window's messages: the attached handlers first,
// then the kind's own handling, then what every widget does, and the rest to
// the system class. Notifications from controls reach their parent and are
// handed on to the control's widget.
#include "ui/menu.h"
#include "ui/message_loop.h"
#include "ui/widget.h"

namespace ui {
namespace {

// Posted to the application window when it gets the focus.
constexpr UINT kPassFocusToForm = WM_USER + 1;

}  // namespace

int Widget::AttachHandler(MessageHandler handler) {
  handlers_.push_back({nextHandlerId_, std::move(handler)});
  return nextHandlerId_++;
}

void Widget::DetachHandler(int id) {
  std::erase_if(handlers_, [id](const AttachedHandler& h) { return h.Id == id; });
}

LRESULT Widget::Dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (!handlers_.empty()) {
    const std::vector<AttachedHandler> chain = handlers_;  // a handler may detach itself
    for (const AttachedHandler& h : chain) {
      if (h.Handler(*this, message, wparam, lparam, result)) return result;
    }
  }
  if (HandleMessage(message, wparam, lparam, result)) return result;
  if (CommonHandling(message, wparam, lparam, result)) return result;
  return CallWindowProcW(defaultProc_, handle_, message, wparam, lparam);
}

bool Widget::CommonHandling(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (message) {
    case WM_COMMAND:
      if (lparam) {
        Widget* child = FromHandle(reinterpret_cast<HWND>(lparam));
        if (!child || child == this) return false;
        if (!child->destroying_) child->HandleCommand(HIWORD(wparam));
        result = 0;
        return true;
      }
      // 0: chosen in the menu; 1: by its accelerator key.
      if (HIWORD(wparam) <= 1 && menu_ && menu_->HandleCommand(LOWORD(wparam))) {
        result = 0;
        return true;
      }
      return false;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      Widget* child = FromHandle(header->hwndFrom);
      return child && child != this && child->HandleNotify(*header, result);
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
      Widget* child = FromHandle(reinterpret_cast<HWND>(lparam));
      if (!child) return false;
      HDC dc = reinterpret_cast<HDC>(wparam);
      ::SetTextColor(dc, ColorToRgb(child->textColor_));
      SetBkColor(dc, ColorToRgb(child->color_));
      SetBkMode(dc, OPAQUE);
      result = reinterpret_cast<LRESULT>(child->BackgroundBrush());
      return true;
    }
    case WM_CLOSE: result = 0; return HandleClose();
    case WM_NEXTDLGCTL: {
      // Tab and Shift+Tab (IsDialogMessage) ask the form, as they would ask a dialog.
      if (role_ != WidgetRole::Form) return false;
      HWND target = LOWORD(lparam) ? reinterpret_cast<HWND>(wparam)
                                   : GetNextDlgTabItem(handle_, GetFocus(), wparam != 0);
      if (target) {
        SetFocus(target);
        if (!LOWORD(lparam) && (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL)) {
          SendMessageW(target, EM_SETSEL, 0, -1);
        }
      }
      result = 0;
      return true;
    }
    case WM_ENDSESSION:
      if (role_ == WidgetRole::Form && wparam) {
        detail::EndApplication();
        PostQuitMessage(0);
      }
      return false;
    case WM_ERASEBKGND:
      if (role_ != WidgetRole::Form) return false;
      FillBackground(reinterpret_cast<HDC>(wparam));
      result = 1;
      return true;
    case WM_ACTIVATE:
      // The control that had the keys, for FocusTarget; a form being hidden
      // is no longer visible here, and starts afresh when shown again.
      if (role_ == WidgetRole::Form && LOWORD(wparam) == WA_INACTIVE && IsWindowVisible(handle_)) {
        lastFocus_ = GetFocus();
      }
      return false;
    case WM_SETFOCUS: {
      if (role_ == WidgetRole::Application) {
        // Only in passing: its task-bar button was clicked, or a form it owns
        // was hidden while active (a command's status window). The keys
        // belong to a form, which gets them once the activation has settled.
        PostMessageW(handle_, kPassFocusToForm, 0, 0);
        return false;
      }
      HWND target = role_ == WidgetRole::Form ? FocusTarget() : nullptr;
      if (!target) return false;
      SetFocus(target);
      result = 0;
      return true;
    }
    case kPassFocusToForm:
      if (role_ != WidgetRole::Application) return false;
      if (GetFocus() == handle_ && !IsIconic(handle_)) {
        if (Widget* form = FormTakingKeys()) SetFocus(form->handle_);
      }
      result = 0;
      return true;
    case WM_SHOWWINDOW:
      // Shown again, a form starts at its first control; a form hidden with
      // its owner (lparam set) keeps its place.
      if (!wparam && !lparam) lastFocus_ = nullptr;
      if (!destroying_) {
        const bool visibleNow = IsWindowVisible(handle_) != FALSE;
        if (wparam && !visibleNow && OnShow) OnShow(*this);
      }
      return false;
    case WM_SIZE:
      ReadBoundsFromWindow();
      Realign();
      return false;
    case WM_MOVE: ReadBoundsFromWindow(); return false;
    case WM_SETCURSOR:
      if (!cursor_ || LOWORD(lparam) != HTCLIENT) return false;
      ::SetCursor(cursor_);
      result = TRUE;
      return true;
    case WM_DESTROY:
      // The menu bar and the window's state outlive the window.
      if (menu_) ::SetMenu(handle_, nullptr);
      if (!destroying_) SaveWindowState();
      return false;
    default: return false;
  }
}

// A form activated again gives the keys back to the control that had them
// when it was put aside; a form shown starts at its first tab stop.
HWND Widget::FocusTarget() const {
  if (lastFocus_ && IsChild(handle_, lastFocus_) && IsWindowVisible(lastFocus_) &&
      IsWindowEnabled(lastFocus_)) {
    return lastFocus_;
  }
  return focusControl_ ? focusControl_->handle_ : nullptr;
}

// The form that takes the keys: the first one shown and enabled, children
// after their form; while a form is shown modally the others are disabled.
Widget* Widget::FormTakingKeys() {
  for (const auto& child : children_) {
    if (child->role_ != WidgetRole::Form) continue;
    if (child->handle_ && IsWindowVisible(child->handle_) && IsWindowEnabled(child->handle_)) {
      return child.get();
    }
    if (Widget* owned = child->FormTakingKeys()) return owned;
  }
  return nullptr;
}

// True when the close request has been dealt with and the window stays.
bool Widget::HandleClose() {
  if (OnClose && !destroying_) {
    bool accept = true;
    OnClose(*this, accept);
    if (!accept && ApplicationRunning()) return true;
  }
  if (role_ == WidgetRole::Application || IsMainForm()) {
    if (role_ != WidgetRole::Application && parent_->handle_) {
      SendMessageW(parent_->handle_, WM_CLOSE, 0, 0);
    }
    // Outside the loop there is nothing to end, and a stray WM_QUIT would end
    // the next loop at once.
    if (ApplicationRunning()) PostQuitMessage(0);
    return true;
  }
  return false;
}

void Widget::HandleCommand(int code) {
  if (code == BN_CLICKED && OnClick) OnClick(*this);  // also STN_CLICKED
}

bool Widget::HandleNotify(NMHDR&, LRESULT&) { return false; }

}  // namespace ui
