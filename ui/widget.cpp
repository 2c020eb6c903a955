// A widget's life (its children, its auto-free list), its content, state and
// window styles.
#include "ui/widget.h"

#include <algorithm>
#include <cstdint>

#include "io/wide_text.h"
#include "ui/font_object.h"
#include "ui/menu.h"
#include "ui/message_loop.h"

namespace ui {
namespace {

std::uint16_t g_nextControlId = 0x8000;

}  // namespace

COLORREF ColorToRgb(Color color) {
  if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFF));
  return color & 0x00FFFFFFu;
}

Widget::Widget(Widget* parent, const WidgetClass& widgetClass, std::string text)
    : role_(widgetClass.Role),
      parent_(parent),
      systemClass_(widgetClass.SystemClass),
      style_(widgetClass.Style),
      exStyle_(widgetClass.ExStyle),
      classStyle_(widgetClass.ClassStyle),
      kindClassStyle_(widgetClass.ClassStyle),
      text_(std::move(text)) {
  if (parent_ && IsControl()) {
    controlId_ = g_nextControlId++;
    const int offset = parent_->TopOffset();
    left_ = parent_->border_;
    top_ = parent_->border_ + offset;
    width_ = 64;
    height_ = 64 - offset;
    if (parent_->font_) {
      font_ = std::make_unique<FontObject>(*this, *parent_->font_);
      textColor_ = font_->GetColor();
    }
  }
}

Widget::~Widget() {
  destroying_ = true;
  while (!children_.empty()) {
    std::unique_ptr<Widget> last = std::move(children_.back());
    children_.pop_back();
  }
  ReleaseWindow();
  if (brush_) DeleteObject(brush_);
  font_.reset();
  while (!autoFree_.empty()) {  // the last one handed over goes first
    std::unique_ptr<Owned> last = std::move(autoFree_.back());
    autoFree_.pop_back();
  }
  detail::ForgetApplicationWindow(this);
}

bool Widget::IsMainForm() const {
  if (role_ != WidgetRole::Form || !parent_ || parent_->role_ != WidgetRole::Application) {
    return false;
  }
  for (const auto& sibling : parent_->children_) {
    if (sibling->role_ == WidgetRole::Form) return sibling.get() == this;
  }
  return false;
}

Widget* Widget::OwningForm() {
  Widget* w = parent_;
  while (w && w->role_ != WidgetRole::Form) w = w->parent_;
  return w;
}

Widget* Widget::RegisterChild(std::unique_ptr<Widget> child) {
  Widget* raw = child.get();
  children_.push_back(std::move(child));
  if (raw->IsControl() && (raw->style_ & WS_TABSTOP)) {
    Widget* form = raw->OwningForm();
    if (form && !form->focusControl_) form->focusControl_ = raw;
  }
  if (handle_) raw->CreateHandle();
  return raw;
}

void Widget::AddToAutoFree(std::function<void()> releaseAction) {
  autoFree_.push_back(std::make_unique<OwnedAction>(std::move(releaseAction)));
}

// ---------------------------------------------------------------- content

void Widget::Repaint() {
  if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void Widget::SetText(const std::string& text) {
  text_ = text;
  if (handle_) SetWindowTextW(handle_, io::WideFromUtf8(text).c_str());
  Repaint();
}

std::string Widget::GetText() const {
  if (!handle_) return text_;
  std::wstring wide(static_cast<size_t>(GetWindowTextLengthW(handle_)) + 1, L'\0');
  const int length = GetWindowTextW(handle_, wide.data(), static_cast<int>(wide.size()));
  return io::Utf8FromWide(wide.data(), static_cast<size_t>(std::max(0, length)));
}

void Widget::SetColor(Color color) {
  color_ = color;
  if (brush_) DeleteObject(brush_);
  brush_ = nullptr;
  Repaint();
}

FontObject& Widget::GetFont() {
  if (!font_) font_ = std::make_unique<FontObject>(*this);
  return *font_;
}

HBRUSH Widget::BackgroundBrush() {
  if (!brush_) brush_ = CreateSolidBrush(ColorToRgb(color_));
  return brush_;
}

void Widget::FillBackground(HDC dc) {
  RECT r;
  GetClientRect(handle_, &r);
  FillRect(dc, &r, BackgroundBrush());
}

// ---------------------------------------------------------------- state

void Widget::SetEnabled(bool enabled) {
  style_ = enabled ? (style_ & ~WS_DISABLED) : (style_ | WS_DISABLED);
  if (handle_) EnableWindow(handle_, enabled);
}

bool Widget::Enabled() const {
  return handle_ ? IsWindowEnabled(handle_) != FALSE : !(style_ & WS_DISABLED);
}

bool Widget::Visible() const {
  const DWORD style = handle_ ? static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_STYLE)) : style_;
  return (style & WS_VISIBLE) != 0;
}

void Widget::SetVisible(bool visible) {
  style_ = visible ? (style_ | WS_VISIBLE) : (style_ & ~WS_VISIBLE);
  if (visible) {
    if (!IsControl() || (parent_ && parent_->handle_)) GetWindowHandle();
    if (handle_) {
      ShowWindow(handle_, SW_SHOW);
      if (!IsControl()) {
        SetForegroundWindow(handle_);
        SetFocus(handle_);
      }
    }
  } else if (handle_) {
    ShowWindow(handle_, SW_HIDE);
  }
  if (parent_) parent_->Realign();
  Realign();
}

// ---------------------------------------------------------------- styles

void Widget::ApplyStyle() {
  if (!handle_) return;
  const DWORD live = static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_STYLE));
  style_ = (style_ & ~WS_VISIBLE) | (live & WS_VISIBLE);  // showing goes through SetVisible
  SetWindowLongPtrW(handle_, GWL_STYLE, static_cast<LONG_PTR>(style_));
  SetWindowLongPtrW(handle_, GWL_EXSTYLE, static_cast<LONG_PTR>(exStyle_));
  SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Repaint();
}

void Widget::SetStyle(DWORD style) {
  style_ = style;
  ApplyStyle();
}

void Widget::SetExStyle(DWORD exStyle) {
  exStyle_ = exStyle;
  ApplyStyle();
}

void Widget::SetClassStyle(UINT classStyle) {
  if (classStyle == classStyle_) return;
  classStyle_ = classStyle;
  if (handle_) {  // a window lives in its class: make it again in the new one
    DestroyHandle();
    CreateHandle();
  }
}

void Widget::SetCaptionPresent(bool present) {
  if (present) {
    SetStyle((style_ & ~WS_POPUP) | WS_CAPTION);
    return;
  }
  if (role_ == WidgetRole::Form) {
    style_ = (style_ & ~(WS_CAPTION | WS_SYSMENU)) | WS_POPUP;
  } else {
    style_ = (style_ & ~WS_CAPTION) | WS_DLGFRAME;
  }
  SetExStyle(exStyle_ | WS_EX_DLGMODALFRAME);
}

void Widget::SetResizable(bool resizable) {
  if (resizable) {
    if (fixedSizeHandler_) DetachHandler(fixedSizeHandler_);
    fixedSizeHandler_ = 0;
    return;
  }
  if (fixedSizeHandler_) return;
  SetStyle(style_ | WS_THICKFRAME);
  GetWindowHandle();
  // The stored size is both the smallest and the largest the user can drag to;
  // a size set by the program moves both.
  fixedSizeHandler_ =
      AttachHandler([](Widget& w, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
        if (message == WM_GETMINMAXINFO) {
          auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
          info->ptMinTrackSize = POINT{w.width_, w.height_};
          info->ptMaxTrackSize = POINT{w.width_, w.height_};
          result = 0;
          return true;
        }
        if (message == WM_NCHITTEST) {
          result = CallWindowProcW(w.defaultProc_, w.handle_, message, wparam, lparam);
          if (result >= HTLEFT && result <= HTBOTTOMRIGHT) result = HTBORDER;
          return true;
        }
        return false;
      });
}

void Widget::SetMenu(std::unique_ptr<Menu> menu) {
  std::unique_ptr<Menu> old = std::move(menu_);
  menu_ = std::move(menu);
  if (handle_ && role_ == WidgetRole::Form) ::SetMenu(handle_, menu_ ? menu_->Handle() : nullptr);
}

}  // namespace ui
