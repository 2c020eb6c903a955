// The windows behind the widgets: their classes, their creation and
// destruction, and the one window procedure that hands every message to the
// widget owning the window.
#include <map>
#include <unordered_map>

#include "io/wide_text.h"
#include "ui/font_object.h"
#include "ui/menu.h"
#include "ui/widget.h"

namespace ui {

LRESULT CALLBACK CommonWindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

namespace {

constexpr wchar_t kSelfProperty[] = L"SELF_";

// The widget whose window CreateWindowExW is making: its first messages arrive
// before the window has the "SELF_" property.
Widget* g_creating = nullptr;
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

std::wstring ClassNameFor(WidgetRole role, const wchar_t* system_class, UINT class_style,
                          UINT kind_class_style) {
  std::wstring name = system_class                      ? L"obj_" + std::wstring(system_class)
                      : role == WidgetRole::Application ? L"App"
                                                        : L"Form";
  if (class_style != kind_class_style) {
    wchar_t suffix[16];
    wsprintfW(suffix, L"_%X", class_style);
    name += suffix;
  }
  return name;
}

enum class IconSize { Big, Small };

HICON LoadProgramIcon(int width_metric, int height_metric) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON,
                                       GetSystemMetrics(width_metric),
                                       GetSystemMetrics(height_metric), 0));
}

// The program's icon, its "MAINICON" resource, at the system's size for the
// task bar and Alt+Tab (big) or title bars (small); 0 in a program without one.
// Loaded once and kept: the window classes hold it as long as the program runs.
HICON ProgramIcon(IconSize size) {
  static const HICON big_icon = LoadProgramIcon(SM_CXICON, SM_CYICON);
  static const HICON small_icon = LoadProgramIcon(SM_CXSMICON, SM_CYSMICON);
  return size == IconSize::Big ? big_icon : small_icon;
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
    wc.hIcon = ProgramIcon(IconSize::Big);
    wc.hIconSm = ProgramIcon(IconSize::Small);
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

}  // namespace

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

Widget* Widget::FromHandle(HWND window) {
  const auto found = g_widget_of_window.find(window);
  return found != g_widget_of_window.end() ? found->second : nullptr;
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
      ClassNameFor(role_, system_class_, class_style_, kind_class_style_);
  default_proc_ = RegisterWidgetClass(class_name, system_class_, class_style_,
                                      class_style_ != kind_class_style_);
  if (!default_proc_) return;
  const bool control = IsControl();
  HMENU menu_or_id = control ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id_))
                     : menu_ ? menu_->Handle()
                             : nullptr;
  Widget* previous = g_creating;
  g_creating = this;
  HWND window = CreateWindowExW(ex_style_, class_name.c_str(), io::WideFromUtf8(text_).c_str(),
                                style_, left_, top_, width_ > 0 ? width_ : CW_USEDEFAULT,
                                height_ > 0 ? height_ : CW_USEDEFAULT, parent_window, menu_or_id,
                                GetModuleHandleW(nullptr), nullptr);
  g_creating = previous;
  if (!window) return;
  if (!handle_) {
    handle_ = window;
    AttachWidget(window, this);
  }
  if (!control) {
    // The class has the icon too, but only the window's own answers WM_GETICON,
    // which the task bar and Alt+Tab ask.
    SendMessageW(window, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(ProgramIcon(IconSize::Big)));
    SendMessageW(window, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(ProgramIcon(IconSize::Small)));
  }
  if (role_ == WidgetRole::Application) {
    // The task-bar button's menu: the window has no size to change or place to move.
    HMENU system_menu = GetSystemMenu(window, FALSE);
    DeleteMenu(system_menu, SC_SIZE, MF_BYCOMMAND);
    DeleteMenu(system_menu, SC_MOVE, MF_BYCOMMAND);
    DeleteMenu(system_menu, SC_MAXIMIZE, MF_BYCOMMAND);
    EnableMenuItem(system_menu, SC_RESTORE, MF_BYCOMMAND | MF_GRAYED);
  }
  AfterCreate();
  if (font_) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font_->Handle()), FALSE);
  ReadBoundsFromWindow();
  for (const auto& child : children_) child->CreateHandle();
  Realign();
  // A visible form was activated before its controls existed.
  if (role_ == WidgetRole::Form && GetFocus() == window && focus_control_ &&
      focus_control_->handle_) {
    SetFocus(focus_control_->handle_);
  }
}

void Widget::SaveWindowState() {
  if (!handle_) return;
  text_ = GetText();
  const DWORD live = static_cast<DWORD>(GetWindowLongPtrW(handle_, GWL_STYLE));
  style_ = (style_ & ~(WS_VISIBLE | WS_DISABLED)) | (live & (WS_VISIBLE | WS_DISABLED));
}

void Widget::DestroyHandle() {
  if (handle_) DestroyWindow(handle_);  // WM_NCDESTROY forgets the handles
}

void Widget::ReleaseWindow() {
  if (!handle_) return;
  HWND window = handle_;
  handle_ = nullptr;
  if (menu_) ::SetMenu(window, nullptr);
  DetachWidget(window);
  DestroyWindow(window);
}

}  // namespace ui
