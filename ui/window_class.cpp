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
std::unordered_map<HWND, Widget*> g_widgetOfWindow;

void AttachWidget(HWND window, Widget* widget) {
  SetPropW(window, kSelfProperty, widget);
  g_widgetOfWindow[window] = widget;
}

void DetachWidget(HWND window) {
  RemovePropW(window, kSelfProperty);
  g_widgetOfWindow.erase(window);
}
// Registered class name -> the procedure for messages the layer leaves alone.
std::map<std::wstring, WNDPROC> g_defaultProcs;

std::wstring ClassNameFor(WidgetRole role, const wchar_t* systemClass, UINT classStyle,
                          UINT kindClassStyle) {
  std::wstring name = systemClass                       ? L"obj_" + std::wstring(systemClass)
                      : role == WidgetRole::Application ? L"App"
                                                        : L"Form";
  if (classStyle != kindClassStyle) {
    wchar_t suffix[16];
    wsprintfW(suffix, L"_%X", classStyle);
    name += suffix;
  }
  return name;
}

enum class IconSize { Big, Small };

HICON LoadProgramIcon(int widthMetric, int heightMetric) {
  return static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"MAINICON", IMAGE_ICON,
                                       GetSystemMetrics(widthMetric),
                                       GetSystemMetrics(heightMetric), 0));
}

// The program's icon, its "MAINICON" resource, at the system's size for the
// task bar and Alt+Tab (big) or title bars (small); 0 in a program without one.
// Loaded once and kept: the window classes hold it as long as the program runs.
HICON ProgramIcon(IconSize size) {
  static const HICON bigIcon = LoadProgramIcon(SM_CXICON, SM_CYICON);
  static const HICON smallIcon = LoadProgramIcon(SM_CXSMICON, SM_CYSMICON);
  return size == IconSize::Big ? bigIcon : smallIcon;
}

// Registers the window class on first use; returns the default procedure, or
// nullptr when the class cannot be registered.
WNDPROC RegisterWidgetClass(const std::wstring& name, const wchar_t* systemClass, UINT classStyle,
                            bool customStyle) {
  if (auto found = g_defaultProcs.find(name); found != g_defaultProcs.end()) {
    return found->second;
  }
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  WNDPROC defaultProc = DefWindowProcW;
  if (systemClass) {
    if (!GetClassInfoExW(nullptr, systemClass, &wc)) return nullptr;
    defaultProc = wc.lpfnWndProc;
    if (customStyle) wc.style = classStyle;
  } else {
    wc.style = classStyle;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = ProgramIcon(IconSize::Big);
    wc.hIconSm = ProgramIcon(IconSize::Small);
  }
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = CommonWindowProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = name.c_str();
  if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return nullptr;
  g_defaultProcs[name] = defaultProc;
  return defaultProc;
}

WNDPROC DefaultProcOfWindow(HWND window) {
  wchar_t name[256];
  if (GetClassNameW(window, name, 256)) {
    if (auto found = g_defaultProcs.find(name); found != g_defaultProcs.end()) {
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
  const auto found = g_widgetOfWindow.find(window);
  return found != g_widgetOfWindow.end() ? found->second : nullptr;
}

HWND Widget::GetWindowHandle() {
  if (!handle_) CreateHandle();
  return handle_;
}

void Widget::CreateHandle() {
  if (handle_) return;
  HWND parentWindow = nullptr;
  if (parent_) {
    parentWindow = parent_->GetWindowHandle();
    if (handle_ || !parentWindow) return;  // made with the parent's children, or no parent
  }
  const std::wstring className = ClassNameFor(role_, systemClass_, classStyle_, kindClassStyle_);
  defaultProc_ =
      RegisterWidgetClass(className, systemClass_, classStyle_, classStyle_ != kindClassStyle_);
  if (!defaultProc_) return;
  const bool control = IsControl();
  HMENU menuOrId = control ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId_))
                   : menu_ ? menu_->Handle()
                           : nullptr;
  Widget* previous = g_creating;
  g_creating = this;
  HWND window = CreateWindowExW(exStyle_, className.c_str(), io::WideFromUtf8(text_).c_str(),
                                style_, left_, top_, width_ > 0 ? width_ : CW_USEDEFAULT,
                                height_ > 0 ? height_ : CW_USEDEFAULT, parentWindow, menuOrId,
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
    HMENU systemMenu = GetSystemMenu(window, FALSE);
    DeleteMenu(systemMenu, SC_SIZE, MF_BYCOMMAND);
    DeleteMenu(systemMenu, SC_MOVE, MF_BYCOMMAND);
    DeleteMenu(systemMenu, SC_MAXIMIZE, MF_BYCOMMAND);
    EnableMenuItem(systemMenu, SC_RESTORE, MF_BYCOMMAND | MF_GRAYED);
  }
  AfterCreate();
  if (font_) SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font_->Handle()), FALSE);
  ReadBoundsFromWindow();
  for (const auto& child : children_) child->CreateHandle();
  Realign();
  // A visible form was activated before its controls existed.
  if (role_ == WidgetRole::Form && GetFocus() == window && focusControl_ &&
      focusControl_->handle_) {
    SetFocus(focusControl_->handle_);
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
