// Window objects (Windows only). Widget is what the application window, forms
// and every control share; each kind of control is a class of its own over it
// (controls.h, list_view.h). A widget keeps every property itself and creates
// its window on first need (GetWindowHandle, showing it, or its parent's
// creation); its window finds the widget again through the window property "SELF_".
//
// Ownership: a parent owns its children (freed last-created first), and
// AddToAutoFree hands it any other object to release with it. Texts are UTF-8.
//
//   auto app = ui::CreateApplicationWindow("tarnwick");
//   ui::Widget* form = ui::CreateForm(*app, "Caption");
//   form->SetPosition(175, 167).SetSize(765, 388);
//   ui::Button* ok = ui::CreateButton(*form, "Ok");
//   ok->OnClick = [form](ui::Widget&) { form->SetModalResult(1); };
//   ui::RunApplication(app);
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class FontObject;
class Menu;

// 0x00BBGGRR, or a system colour: top bit set, GetSysColor index in the low byte.
using Color = std::uint32_t;
constexpr Color SystemColor(int index) { return 0x80000000u | static_cast<Color>(index & 0xFF); }
constexpr Color kWindowTextColor = SystemColor(COLOR_WINDOWTEXT);
constexpr Color kButtonFaceColor = SystemColor(COLOR_BTNFACE);
constexpr Color kWindowColor = SystemColor(COLOR_WINDOW);
COLORREF ColorToRgb(Color color);

// Division rounding toward minus infinity, as window placement needs it.
constexpr int FloorDiv(int a, int b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

enum class Align { None = 0, Left = 1, Top = 2, Right = 3, Bottom = 4, Client = 5 };
enum class TextAlign { Left = 0, Right = 1, Center = 2 };
enum class VerticalAlign { Center = 0, Top = 1, Bottom = 2 };

// What a widget is to the layer. A control's own kind is its class.
enum class WidgetRole { Application, Form, Control };

// How a widget's window is made: the system class it wraps (none for the
// layer's own "App" and "Form"), its styles and its class style.
struct WidgetClass {
  WidgetRole Role;
  const wchar_t* SystemClass;  // L"BUTTON", L"STATIC", ... or nullptr
  DWORD Style;
  DWORD ExStyle;
  UINT ClassStyle;
};

class Widget {
 public:
  // One handler per event; capture the context in the function.
  using Event = std::function<void(Widget& sender)>;
  using CloseEvent = std::function<void(Widget& sender, bool& accept)>;
  // An attached message handler returns true when it handled the message;
  // `result` is then the window procedure's answer.
  using MessageHandler =
      std::function<bool(Widget& widget, UINT message, WPARAM, LPARAM, LRESULT& result)>;

  // Use the Create... functions (controls.h, list_view.h); this is their common part.
  Widget(Widget* parent, const WidgetClass& widgetClass, std::string text);
  virtual ~Widget();
  Widget(const Widget&) = delete;
  Widget& operator=(const Widget&) = delete;

  // --- identity
  WidgetRole Role() const { return role_; }
  Widget* Parent() const { return parent_; }
  size_t ChildCount() const { return children_.size(); }
  Widget& Child(size_t index) const { return *children_[index]; }
  HWND GetWindowHandle();                  // creates the window (and its children's) when needed
  HWND Handle() const { return handle_; }  // 0 while there is no window
  static Widget* FromHandle(HWND window);  // through "SELF_"

  // --- geometry, in the parent's client coordinates (the screen for forms)
  Widget& SetPosition(int x, int y);
  Widget& SetSize(int width, int height);  // a value of 0 or less keeps that side
  Widget& SetAlign(Align align);
  void SetLeft(int x) { SetBounds(x, top_, width_, height_); }
  void SetTop(int y) { SetBounds(left_, y, width_, height_); }
  void SetWidth(int w) { SetBounds(left_, top_, w, height_); }
  void SetHeight(int h) { SetBounds(left_, top_, width_, h); }
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  void SetBorder(int border);
  int Border() const { return border_; }
  int ClientWidth();
  int ClientHeight();
  void CenterOnParent();  // forms: on the screen

  // --- content
  void SetText(const std::string& text);
  std::string GetText() const;
  virtual void SetColor(Color color);  // background
  Color GetColor() const { return color_; }
  Color GetTextColor() const { return textColor_; }
  FontObject& GetFont();  // created on first use
  void SetCursor(HCURSOR cursor) { cursor_ = cursor; }

  // --- state
  void SetEnabled(bool enabled);
  bool Enabled() const;
  void SetVisible(bool visible);  // showing a form also activates and focuses it
  bool Visible() const;
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }

  // --- window styles; changes reach an existing window at once
  void SetStyle(DWORD style);
  DWORD Style() const { return style_; }
  void SetExStyle(DWORD exStyle);
  // A window class of its own is registered for a class style that differs from
  // its kind's, so the change never reaches other windows of the kind. An
  // existing window is made again in the new class (texts, check states,
  // visibility and children are kept; list rows and system-menu changes are not).
  void SetClassStyle(UINT classStyle);
  UINT ClassStyle() const { return classStyle_; }
  void SetCaptionPresent(bool present);
  void SetResizable(bool resizable);  // false: the present size is fixed

  // --- forms
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }
  // Shows the form and runs messages until ModalResult turns non-zero (a close
  // request makes it -1); the other forms are disabled meanwhile. The form stays
  // visible: the caller hides it. Controls and forms without parent: a plain show.
  int ShowModal();
  void UpdateNow();                          // repaints this window and all below it, now
  void SetMenu(std::unique_ptr<Menu> menu);  // a menu bar (menu.h)
  Menu* GetMenu() const { return menu_.get(); }
  // The control that gets the focus when the form is shown. A form activated
  // again without having been hidden gives the focus back where it was.
  Widget* FocusControl() const { return focusControl_; }
  // The buttons that Enter and Esc press in this form (message_loop.h); a
  // form without a cancel button is closed by Esc while it is shown modally.
  void SetDefaultButton(Widget* button) { defaultButton_ = button; }
  Widget* DefaultButton() const { return defaultButton_; }
  void SetCancelButton(Widget* button) { cancelButton_ = button; }
  Widget* CancelButton() const { return cancelButton_; }
  bool ShownModally() const { return modalDepth_ > 0; }

  // --- events
  Event OnClick;
  Event OnShow;
  CloseEvent OnClose;  // clear `accept` to refuse (while the application runs)

  // --- dispatch and ownership
  int AttachHandler(MessageHandler handler);  // returns an id for DetachHandler
  void DetachHandler(int id);
  template <class T>
  T* AddToAutoFree(std::unique_ptr<T> object);
  void AddToAutoFree(std::function<void()> releaseAction);

  // Adds a child made by a Create... function; creates its window when ours exists.
  template <class T>
  T* AddChild(std::unique_ptr<T> child);

 protected:
  // How far below the Border a new child starts (a group box's caption).
  virtual int TopOffset() const { return 0; }
  // The kind's step after its window exists, before the font is applied.
  virtual void AfterCreate() {}
  // Keeps what the user may have changed, so that a window made again shows it.
  virtual void SaveWindowState();
  // The kind's own handling of its window's messages, after the attached
  // handlers and before the common handling; true when it answered `result`.
  virtual bool HandleMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
  // WM_COMMAND from this control's window, handed over by the parent. A click
  // (BN_CLICKED, STN_CLICKED) raises OnClick.
  virtual void HandleCommand(int code);
  // WM_NOTIFY from this control's window, handed over by the parent.
  virtual bool HandleNotify(NMHDR& header, LRESULT& result);
  void Repaint();
  // The solid brush of the background colour, made once and kept.
  HBRUSH BackgroundBrush();
  void FillBackground(HDC dc);  // the whole client area

 private:
  friend class FontObject;
  friend LRESULT CALLBACK CommonWindowProc(HWND, UINT, WPARAM, LPARAM);
  struct Owned {
    virtual ~Owned() = default;
  };
  template <class T>
  struct OwnedObject : Owned {
    explicit OwnedObject(std::unique_ptr<T> o) : Object(std::move(o)) {}
    std::unique_ptr<T> Object;
  };
  struct OwnedAction : Owned {
    explicit OwnedAction(std::function<void()> a) : Action(std::move(a)) {}
    ~OwnedAction() override {
      if (Action) Action();
    }
    std::function<void()> Action;
  };
  struct AttachedHandler {
    int Id;
    MessageHandler Handler;
  };

  Widget* RegisterChild(std::unique_ptr<Widget> child);
  void CreateHandle();
  void DestroyHandle();
  void ReleaseWindow();  // the window goes now, without saving its state
  void SetBounds(int x, int y, int w, int h);
  void ReadBoundsFromWindow();
  void Realign();
  void ApplyStyle();
  LRESULT Dispatch(UINT message, WPARAM wparam, LPARAM lparam);
  bool CommonHandling(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result);
  bool HandleClose();
  bool IsMainForm() const;
  Widget* FormTakingKeys();
  HWND FocusTarget() const;
  bool IsControl() const { return role_ == WidgetRole::Control; }
  Widget* OwningForm();
  RECT ClientRect();

  WidgetRole role_;
  Widget* parent_;
  std::vector<std::unique_ptr<Widget>> children_;
  std::vector<std::unique_ptr<Owned>> autoFree_;
  HWND handle_ = nullptr;
  const wchar_t* systemClass_;
  WNDPROC defaultProc_ = nullptr;
  int controlId_ = 0;
  DWORD style_;
  DWORD exStyle_;
  UINT classStyle_;
  UINT kindClassStyle_;
  int left_ = 0, top_ = 0, width_ = 0, height_ = 0;
  int border_ = 2;
  Align align_ = Align::None;
  std::string text_;
  std::unique_ptr<FontObject> font_;
  Color textColor_ = kWindowTextColor;
  Color color_ = kButtonFaceColor;
  HBRUSH brush_ = nullptr;
  HCURSOR cursor_ = nullptr;
  int fixedSizeHandler_ = 0;
  std::unique_ptr<Menu> menu_;
  Widget* focusControl_ = nullptr;
  HWND lastFocus_ = nullptr;  // a form's focus when it was last put aside
  Widget* defaultButton_ = nullptr;
  Widget* cancelButton_ = nullptr;
  int modalDepth_ = 0;
  int modalResult_ = 0;
  std::vector<AttachedHandler> handlers_;
  int nextHandlerId_ = 1;
  bool destroying_ = false;
};

template <class T>
T* Widget::AddToAutoFree(std::unique_ptr<T> object) {
  T* raw = object.get();
  autoFree_.push_back(std::make_unique<OwnedObject<T>>(std::move(object)));
  return raw;
}

template <class T>
T* Widget::AddChild(std::unique_ptr<T> child) {
  T* raw = child.get();
  RegisterChild(std::move(child));
  return raw;
}

}  // namespace ui
