#include "kol/widgets/widget.h"

#include <commctrl.h>

#include <algorithm>
#include <map>
#include <unordered_map>

#include "kol/widgets/font_object.h"
#include "kol/widgets/menu.h"
#include "kol/widgets/message_loop.h"
#include "kol/wide_text.h"

namespace kol {

LRESULT CALLBACK CommonWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

namespace {

constexpr wchar_t kSelfProperty[] = L"SELF_";

// The widget whose window CreateWindowExW is making: its first messages arrive
// before the window has the "SELF_" property.
Widget* g_creating = nullptr;
std::uint16_t g_next_control_id = 0x8000;
// The same as the windows' "SELF_" properties, kept here too: under Wine every
// GetPropW is a round trip to the wine server, and the property was looked up
// for each message (a list row of four cells costs a couple of dozen).
std::unordered_map<HWND, Widget*> g_widget_of_window;

void AttachWidget(HWND window, Widget* widget) {
  SetPropW(window, kSelfProperty, widget);
  g_widget_of_window[window] = widget;
}

void DetachWidget(HWND window) {
  RemovePropW(window, kSelfProperty);
  g_widget_of_window.erase(window);
}
// Registered class name -> the procedure for messages the layer leaves alone.
std::map<std::wstring, WNDPROC> g_default_procs;

std::wstring ClassNameFor(WidgetKind kind, const wchar_t* system_class, UINT class_style,
                          UINT kind_class_style) {
  std::wstring name = system_class                      ? L"obj_" + std::wstring(system_class)
                      : kind == WidgetKind::Application ? L"App"
                                                        : L"Form";
  if (class_style != kind_class_style) {
    wchar_t suffix[16];
    wsprintfW(suffix, L"_%X", class_style);
    name += suffix;
  }
  return name;
}

// Registers the window class on first use; returns the default procedure, or
// nullptr when the class cannot be registered.
WNDPROC RegisterWidgetClass(const std::wstring& name, const wchar_t* system_class, UINT class_style,
                            bool custom_style) {
  if (auto found = g_default_procs.find(name); found != g_default_procs.end()) {
    return found->second;
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  WNDPROC default_proc = DefWindowProcW;
  if (system_class) {
    if (!GetClassInfoExW(nullptr, system_class, &wc)) return nullptr;
    default_proc = wc.lpfnWndProc;
    if (custom_style) wc.style = class_style;
  } else {
    wc.style = class_style;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  }
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = CommonWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = name.c_str();
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
  g_default_procs[name] = default_proc;
  return default_proc;
}

WNDPROC DefaultProcOfWindow(HWND window) {
  wchar_t name[256];
  if (GetClassNameW(window, name, 256)) {
    if (auto found = g_default_procs.find(name); found != g_default_procs.end()) {
      return found->second;
    }
  }
  return DefWindowProcW;
}

bool IsButtonKind(WidgetKind kind) {
  return kind == WidgetKind::Button || kind == WidgetKind::CheckBox ||
         kind == WidgetKind::RadioButton;
}

}  // namespace

COLORREF ColorToRgb(Color color) {
  if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFF));
  return color & 0x00FFFFFFu;
}

LRESULT CALLBACK CommonWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  Widget* widget = Widget::FromHandle(window);
  if (!widget && g_creating && !g_creating->handle_) {
    widget = g_creating;
    widget->handle_ = window;
    AttachWidget(window, widget);
  }
  if (!widget) return CallWindowProcW(DefaultProcOfWindow(window), window, message, wparam, lparam);
  if (message != WM_NCDESTROY) return widget->Dispatch(message, wparam, lparam);
  const LRESULT result = widget->Dispatch(message, wparam, lparam);
  DetachWidget(window);
  if (widget->handle_ == window) widget->handle_ = nullptr;
  return result;
}

Widget::Widget(Widget* parent, const WidgetClass& widget_class, std::string text)
    : kind_(widget_class.kind),
      parent_(parent),
      system_class_(widget_class.system_class),
      style_(widget_class.style),
      ex_style_(widget_class.ex_style),
      class_style_(widget_class.class_style),
      kind_class_style_(widget_class.class_style),
      text_(std::move(text)) {
  if (parent_ && IsControl()) {
    control_id_ = g_next_control_id++;
    const int offset = parent_->kind_ == WidgetKind::GroupBox ? 22 : 0;
    left_ = parent_->border_;
    top_ = parent_->border_ + offset;
    width_ = 64;
    height_ = 64 - offset;
    if (parent_->font_) {
      font_ = std::make_unique<FontObject>(*this, *parent_->font_);
      text_color_ = font_->GetColor();
    }
  }
}

Widget::~Widget() {
  destroying_ = true;
  while (!children_.empty()) {
    std::unique_ptr<Widget> last = std::move(children_.back());
    children_.pop_back();
  }
  if (handle_) {
    HWND window = handle_;
    handle_ = nullptr;
    if (menu_) ::SetMenu(window, nullptr);
    DetachWidget(window);
    DestroyWindow(window);
  }
  if (brush_) DeleteObject(brush_);
  font_.reset();
  while (!auto_free_.empty()) {  // the last one handed over goes first
    std::unique_ptr<Owned> last = std::move(auto_free_.back());
    auto_free_.pop_back();
  }
  detail::ForgetApplicationWindow(this);
}

Widget* Widget::FromHandle(HWND window) {
  const auto found = g_widget_of_window.find(window);
  return found != g_widget_of_window.end() ? found->second : nullptr;
}

bool Widget::IsControl() const {
  return kind_ != WidgetKind::Application && kind_ != WidgetKind::Form;
}

bool Widget::IsMainForm() const {
  if (kind_ != WidgetKind::Form || !parent_ || parent_->kind_ != WidgetKind::Application) {
    return false;
  }
  for (const auto& sibling : parent_->children_) {
    if (sibling->kind_ == WidgetKind::Form) return sibling.get() == this;
  }
  return false;
}

Widget* Widget::OwningForm() {
  Widget* w = parent_;
  while (w && w->kind_ != WidgetKind::Form) w = w->parent_;
  return w;
}

Widget* Widget::RegisterChild(std::unique_ptr<Widget> child) {
  Widget* raw = child.get();
  children_.push_back(std::move(child));
  if (raw->IsControl() && (raw->style_ & WS_TABSTOP)) {
    Widget* form = raw->OwningForm();
    if (form && !form->focus_control_) form->focus_control_ = raw;
  }
  if (handle_) raw->CreateHandle();
  return raw;
}

HWND Widget::GetWindowHandle() {
  if (!handle_) CreateHandle();
  return handle_;
}

void Widget::CreateHandle() {
  if (handle_) return;
  HWND parent_window = nullptr;
  if (parent_) {
    parent_window = parent_->GetWindowHandle();
    if (handle_ || !parent_window) return;  // made with the parent's children, or no parent
  }
  const std::wstring class_name =
      ClassNameFor(kind_, system_class_, class_style_, kind_class_style_);
  default_proc_ = RegisterWidgetClass(class_name, system_class_, class_style_,
                                      class_style_ != kind_class_style_);
  if (!default_proc_) return;
  const bool control = IsControl();
  HMENU menu_or_id = control ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id_))
                     : menu_ ? menu_->Handle()
                             : nullptr;
  Widget* previous = g_creating;
  g_creating = this;
  HWND window = CreateWindowExW(ex_style_, class_name.c_str(), WideFromUtf8(text_).c_str(), style_,
                                left_, top_, width_ > 0 ? width_ : CW_USEDEFAULT,
                                height_ > 0 ? height_ : CW_USEDEFAULT, parent_window, menu_or_id,
                                GetModuleHandleW(nullptr), nullptr);
  g_creating = previous;
  if (!window) return;
  if (!handle_) {
    handle_ = window;
    AttachWidget(window, this);
  }
  if (!control) {
    // The program carries no icon resource, so this is the system's default icon.
    HICON icon = LoadIconW(GetModuleHandleW(nullptr), L"MAINICON");
    Widget* application = ApplicationWindow();
    if (kind_ != WidgetKind::Application && application && application->handle_) {
      icon = reinterpret_cast<HICON>(SendMessageW(application->handle_, WM_GETICON, ICON_BIG, 0));
    }
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  }
  if (kind_ == WidgetKind::Application) {
    // The task-bar button's menu: the window has no size to change or place to move.
    HMENU system_menu = GetSystemMenu(window, FALSE);
    DeleteMenu(system_menu, SC_SIZE, MF_BYCOMMAND);
    DeleteMenu(system_menu, SC_MOVE, MF_BYCOMMAND);
    DeleteMenu(system_menu, SC_MAXIMIZE, MF_BYCOMMAND);
    EnableMenuItem(system_menu, SC_RESTORE, MF_BYCOMMAND | MF_GRAYED);
  }
  AfterCreate();
  if (font_) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font_->Handle()), FALSE);
  if (IsButtonKind(kind_)) SendMessageW(window, BM_SETCHECK, checked_ ? BST_CHECKED : 0, 0);
  ReadBoundsFromWindow();
  for (const auto& child : children_) child->CreateHandle();
  Realign();
  // A visible form was activated before its controls existed.
  if (kind_ == WidgetKind::Form && GetFocus() == window && focus_control_ &&
      focus_control_->handle_) {
    SetFocus(focus_control_->handle_);
  }
}

// Keeps what the user may have changed, so that a window made again shows it.
void Widget::SaveWindowState() {
  if (!handle_) return;
  text_ = GetText();
  if (IsButtonKind(kind_)) checked_ = GetChecked();
  const DWORD live = static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_STYLE));
  style_ = (style_ & ~(WS_VISIBLE | WS_DISABLED)) | (live & (WS_VISIBLE | WS_DISABLED));
}

void Widget::DestroyHandle() {
  if (handle_) DestroyWindow(handle_);  // WM_NCDESTROY forgets the handles
}

// ---------------------------------------------------------------- geometry

Widget& Widget::SetPosition(int x, int y) {
  SetBounds(x, y, width_, height_);
  return *this;
}

Widget& Widget::SetSize(int width, int height) {
  SetBounds(left_, top_, width > 0 ? width : width_, height > 0 ? height : height_);
  return *this;
}

Widget& Widget::SetAlign(Align align) {
  align_ = align;
  if (parent_) parent_->Realign();
  return *this;
}

void Widget::SetBorder(int border) {
  border_ = border;
  Realign();
}

void Widget::SetBounds(int x, int y, int w, int h) {
  if (x == left_ && y == top_ && w == width_ && h == height_) return;
  const bool resized = w != width_ || h != height_;
  left_ = x;
  top_ = y;
  width_ = w;
  height_ = h;
  if (handle_) {
    SetWindowPos(handle_, nullptr, x, y, w, h, SWP_NOZORDER | SWP_NOACTIVATE);  // WM_SIZE realigns
  } else if (resized) {
    Realign();
  }
}

void Widget::ReadBoundsFromWindow() {
  if (!handle_ || IsIconic(handle_)) return;
  RECT r;
  GetWindowRect(handle_, &r);
  if (GetWindowLongPtrW(handle_, GWL_STYLE) & WS_CHILD) {
    MapWindowPoints(HWND_DESKTOP, GetParent(handle_), reinterpret_cast<POINT*>(&r), 2);
  }
  left_ = r.left;
  top_ = r.top;
  width_ = r.right - r.left;
  height_ = r.bottom - r.top;
}

RECT Widget::ClientRect() {
  RECT r{0, 0, width_, height_};
  if (handle_) GetClientRect(handle_, &r);
  return r;
}

int Widget::ClientWidth() { return ClientRect().right; }
int Widget::ClientHeight() { return ClientRect().bottom; }

void Widget::CenterOnParent() {
  int area_width = GetSystemMetrics(SM_CXSCREEN);
  int area_height = GetSystemMetrics(SM_CYSCREEN);
  if (IsControl() && parent_) {
    area_width = parent_->ClientWidth();
    area_height = parent_->ClientHeight();
  }
  SetPosition(FloorDiv(area_width - width_, 2), FloorDiv(area_height - height_, 2));
}

// Top and bottom children first, then left and right, then client, each group
// in creation order; every child sits the parent's Border inside what is left,
// and takes that margin on both of its sides with it, so neighbours are two
// Borders apart.
void Widget::Realign() {
  RECT r = ClientRect();
  const int b = border_;
  auto place = [&](bool (*in_group)(Align)) {
    for (const auto& child : children_) {
      Widget& c = *child;
      if (!in_group(c.align_) || !c.Visible()) continue;
      const int w = std::max(0, static_cast<int>(r.right - r.left) - 2 * b);
      const int h = std::max(0, static_cast<int>(r.bottom - r.top) - 2 * b);
      switch (c.align_) {
        case Align::Top:
          c.SetBounds(r.left + b, r.top + b, w, c.height_);
          r.top += c.height_ + 2 * b;
          break;
        case Align::Bottom:
          c.SetBounds(r.left + b, r.bottom - b - c.height_, w, c.height_);
          r.bottom -= c.height_ + 2 * b;
          break;
        case Align::Left:
          c.SetBounds(r.left + b, r.top + b, c.width_, h);
          r.left += c.width_ + 2 * b;
          break;
        case Align::Right:
          c.SetBounds(r.right - b - c.width_, r.top + b, c.width_, h);
          r.right -= c.width_ + 2 * b;
          break;
        case Align::Client:
          c.SetBounds(r.left + b, r.top + b, w, h);
          break;
        case Align::None:
          break;
      }
    }
  };
  place([](Align a) { return a == Align::Top || a == Align::Bottom; });
  place([](Align a) { return a == Align::Left || a == Align::Right; });
  place([](Align a) { return a == Align::Client; });
}

// ---------------------------------------------------------------- content

void Widget::Repaint() {
  if (handle_) InvalidateRect(handle_, nullptr, TRUE);
}

void Widget::SetText(const std::string& text) {
  text_ = text;
  if (handle_) SetWindowTextW(handle_, WideFromUtf8(text).c_str());
  Repaint();
}

std::string Widget::GetText() const {
  if (!handle_) return text_;
  std::wstring wide(static_cast<size_t>(GetWindowTextLengthW(handle_)) + 1, L'\0');
  const int length = GetWindowTextW(handle_, wide.data(), static_cast<int>(wide.size()));
  return Utf8FromWide(wide.data(), static_cast<size_t>(std::max(0, length)));
}

void Widget::SetColor(Color color) {
  color_ = color;
  if (brush_) DeleteObject(brush_);
  brush_ = nullptr;
  if (kind_ == WidgetKind::ListView && handle_) {
    SendMessageW(handle_, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(ColorToRgb(color)));
  }
  Repaint();
}

void Widget::SetTextColor(Color color) {
  text_color_ = color;
  if (font_) font_->color_ = color;
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

void Widget::SetTextAlign(TextAlign align) {
  DWORD style = style_;
  switch (kind_) {
    case WidgetKind::Label: {
      const DWORD type = align == TextAlign::Left    ? SS_LEFT
                         : align == TextAlign::Right ? SS_RIGHT
                                                     : SS_CENTER;
      style = (style & ~SS_TYPEMASK) | type;
      break;
    }
    case WidgetKind::EditBox: {
      const DWORD bits = align == TextAlign::Left    ? ES_LEFT
                         : align == TextAlign::Right ? ES_RIGHT
                                                     : ES_CENTER;
      style = (style & ~(ES_LEFT | ES_CENTER | ES_RIGHT)) | bits;
      break;
    }
    case WidgetKind::Button:
    case WidgetKind::CheckBox:
    case WidgetKind::RadioButton: {
      const DWORD bits = align == TextAlign::Left    ? BS_LEFT
                         : align == TextAlign::Right ? BS_RIGHT
                                                     : BS_CENTER;
      style = (style & ~BS_CENTER) | bits;
      break;
    }
    default:
      return;
  }
  SetStyle(style);
}

void Widget::SetVerticalAlign(VerticalAlign align) {
  DWORD style = style_;
  if (kind_ == WidgetKind::Label) {
    style = align == VerticalAlign::Center ? (style | SS_CENTERIMAGE) : (style & ~SS_CENTERIMAGE);
  } else if (IsButtonKind(kind_)) {
    const DWORD bits = align == VerticalAlign::Center ? BS_VCENTER
                       : align == VerticalAlign::Top  ? BS_TOP
                                                      : BS_BOTTOM;
    style = (style & ~BS_VCENTER) | bits;
  } else {
    return;
  }
  SetStyle(style);
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

void Widget::SetChecked(bool checked) {
  checked_ = checked;
  if (handle_) SendMessageW(handle_, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool Widget::GetChecked() const {
  if (!handle_) return checked_;
  return SendMessageW(handle_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// ---------------------------------------------------------------- styles

void Widget::ApplyStyle() {
  if (!handle_) return;
  const DWORD live = static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_STYLE));
  style_ = (style_ & ~WS_VISIBLE) | (live & WS_VISIBLE);  // showing goes through SetVisible
  SetWindowLongPtrW(handle_, GWL_STYLE, static_cast<LONG_PTR>(style_));
  SetWindowLongPtrW(handle_, GWL_EXSTYLE, static_cast<LONG_PTR>(ex_style_));
  SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  Repaint();
}

void Widget::SetStyle(DWORD style) {
  style_ = style;
  ApplyStyle();
}

void Widget::SetExStyle(DWORD ex_style) {
  ex_style_ = ex_style;
  ApplyStyle();
}

void Widget::SetClassStyle(UINT class_style) {
  if (class_style == class_style_) return;
  class_style_ = class_style;
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
  if (kind_ == WidgetKind::Form) {
    style_ = (style_ & ~(WS_CAPTION | WS_SYSMENU)) | WS_POPUP;
  } else {
    style_ = (style_ & ~WS_CAPTION) | WS_DLGFRAME;
  }
  SetExStyle(ex_style_ | WS_EX_DLGMODALFRAME);
}

void Widget::SetResizable(bool resizable) {
  if (resizable) {
    if (fixed_size_handler_) DetachHandler(fixed_size_handler_);
    fixed_size_handler_ = 0;
    return;
  }
  if (fixed_size_handler_) return;
  SetStyle(style_ | WS_THICKFRAME);
  GetWindowHandle();
  // The stored size is both the smallest and the largest the user can drag to;
  // a size set by the program moves both.
  fixed_size_handler_ =
      AttachHandler([](Widget& w, UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
        if (message == WM_GETMINMAXINFO) {
          auto* info = reinterpret_cast<MINMAXINFO*>(lparam);
          info->ptMinTrackSize = POINT{w.width_, w.height_};
          info->ptMaxTrackSize = POINT{w.width_, w.height_};
          result = 0;
          return true;
        }
        if (message == WM_NCHITTEST) {
          result = CallWindowProcW(w.default_proc_, w.handle_, message, wparam, lparam);
          if (result >= HTLEFT && result <= HTBOTTOMRIGHT) result = HTBORDER;
          return true;
        }
        return false;
      });
}

void Widget::SetMenu(std::unique_ptr<Menu> menu) {
  std::unique_ptr<Menu> old = std::move(menu_);
  menu_ = std::move(menu);
  if (handle_ && kind_ == WidgetKind::Form) ::SetMenu(handle_, menu_ ? menu_->Handle() : nullptr);
}

// ---------------------------------------------------------------- dispatch

int Widget::AttachHandler(MessageHandler handler) {
  handlers_.push_back({next_handler_id_, std::move(handler)});
  return next_handler_id_++;
}

void Widget::DetachHandler(int id) {
  std::erase_if(handlers_, [id](const AttachedHandler& h) { return h.id == id; });
}

void Widget::AddToAutoFree(std::function<void()> release_action) {
  auto_free_.push_back(std::make_unique<OwnedAction>(std::move(release_action)));
}

LRESULT Widget::Dispatch(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (!handlers_.empty()) {
    const std::vector<AttachedHandler> chain = handlers_;  // a handler may detach itself
    for (const AttachedHandler& h : chain) {
      if (h.handler(*this, message, wparam, lparam, result)) return result;
    }
  }
  if (CommonHandling(message, wparam, lparam, result)) return result;
  return CallWindowProcW(default_proc_, handle_, message, wparam, lparam);
}

bool Widget::CommonHandling(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) {
  switch (message) {
    case WM_COMMAND:
      if (lparam) {
        Widget* child = FromHandle(reinterpret_cast<HWND>(lparam));
        if (!child || child == this) return false;
        child->HandleCommand(HIWORD(wparam));
        result = 0;
        return true;
      }
      if (HIWORD(wparam) == 0 && menu_ && menu_->HandleCommand(LOWORD(wparam))) {
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
      ::SetTextColor(dc, ColorToRgb(child->text_color_));
      SetBkColor(dc, ColorToRgb(child->color_));
      SetBkMode(dc, OPAQUE);
      result = reinterpret_cast<LRESULT>(child->BackgroundBrush());
      return true;
    }
    case WM_CLOSE:
      result = 0;
      return HandleClose();
    case WM_ENDSESSION:
      if (kind_ == WidgetKind::Form && wparam) {
        detail::EndApplication();
        PostQuitMessage(0);
      }
      return false;
    case WM_ERASEBKGND:
      // A group box paints only its frame and caption; the rest is left to the
      // parent, which clips it out, so the box fills its own inside.
      if (kind_ != WidgetKind::Form && kind_ != WidgetKind::GroupBox) return false;
      {
        RECT r;
        GetClientRect(handle_, &r);
        FillRect(reinterpret_cast<HDC>(wparam), &r, BackgroundBrush());
      }
      result = 1;
      return true;
    case WM_SETFOCUS:
      if (kind_ != WidgetKind::Form || !focus_control_ || !focus_control_->handle_) return false;
      SetFocus(focus_control_->handle_);
      result = 0;
      return true;
    case WM_SHOWWINDOW:
      if (!destroying_) {
        const bool visible_now = IsWindowVisible(handle_) != FALSE;
        if (wparam && !visible_now && OnShow) OnShow(*this);
        if (!wparam && visible_now && OnHide) OnHide(*this);
      }
      return false;
    case WM_SIZE:
      ReadBoundsFromWindow();
      Realign();
      return false;
    case WM_MOVE:
      ReadBoundsFromWindow();
      return false;
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
    default:
      return false;
  }
}

// True when the close request has been dealt with and the window stays.
bool Widget::HandleClose() {
  if (OnClose && !destroying_) {
    bool accept = true;
    OnClose(*this, accept);
    if (!accept && ApplicationRunning()) return true;
  }
  if (kind_ == WidgetKind::Application || IsMainForm()) {
    if (kind_ != WidgetKind::Application && parent_->handle_) {
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
  if (destroying_) return;
  if (kind_ == WidgetKind::EditBox) {
    if (code == EN_SETFOCUS && OnEnter) OnEnter(*this);
    if (code == EN_KILLFOCUS && OnLeave) OnLeave(*this);
    return;
  }
  if (IsButtonKind(kind_)) {
    if (code == BN_SETFOCUS && OnEnter) OnEnter(*this);
    if (code == BN_KILLFOCUS && OnLeave) OnLeave(*this);
  }
  if (code != BN_CLICKED) return;  // also STN_CLICKED
  if (kind_ == WidgetKind::RadioButton) {
    for (const auto& sibling : parent_->children_) {
      if (sibling.get() != this && sibling->kind_ == WidgetKind::RadioButton) {
        sibling->SetChecked(false);
      }
    }
    SetChecked(true);
  }
  if (OnClick) OnClick(*this);
}

bool Widget::HandleNotify(NMHDR&, LRESULT&) { return false; }

}  // namespace kol
