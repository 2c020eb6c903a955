#include "ui/controls.h"

#include "ui/message_loop.h"

namespace ui {
namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kLabelStyle = kChild | SS_LEFTNOWORDWRAP | SS_NOTIFY | SS_NOPREFIX;

WidgetClass ControlClass(const wchar_t* systemClass, DWORD style, DWORD exStyle = 0) {
  return WidgetClass{WidgetRole::Control, systemClass, style, exStyle, 0};
}

bool HasRadioButton(const Widget& parent) {
  for (size_t i = 0; i < parent.ChildCount(); ++i) {
    if (dynamic_cast<const RadioButton*>(&parent.Child(i))) return true;
  }
  return false;
}

}  // namespace

std::unique_ptr<Widget> CreateApplicationWindow(const std::string& caption) {
  auto application = std::make_unique<Widget>(
      nullptr,
      WidgetClass{WidgetRole::Application, nullptr,
                  WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_EX_APPWINDOW,
                  0},
      caption);
  detail::SetApplicationWindow(application.get());
  return application;
}

Widget* CreateForm(Widget& parent, const std::string& caption) {
  return parent.AddChild(std::make_unique<Widget>(
      &parent,
      WidgetClass{WidgetRole::Form, nullptr,
                  WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_OVERLAPPEDWINDOW,
                  WS_EX_CONTROLPARENT, CS_OWNDC | CS_DBLCLKS},
      caption));
}

// ---------------------------------------------------------------- buttons

ButtonBase::ButtonBase(Widget& parent, DWORD style, const std::string& caption)
    : Widget(&parent, ControlClass(L"BUTTON", style), caption) {}

Button::Button(Widget& parent, const std::string& caption)
    : ButtonBase(parent, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHLIKE, caption) {
  SetSize(0, 22);
}

void CheckableButton::SetChecked(bool checked) {
  checked_ = checked;
  if (Handle()) SendMessageW(Handle(), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool CheckableButton::GetChecked() const {
  if (!Handle()) return checked_;
  return SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CheckableButton::AfterCreate() {
  SendMessageW(Handle(), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
}

void CheckableButton::SaveWindowState() {
  if (Handle()) checked_ = GetChecked();
  ButtonBase::SaveWindowState();
}

CheckBox::CheckBox(Widget& parent, const std::string& caption)
    : CheckableButton(parent, kChild | WS_TABSTOP | BS_AUTOCHECKBOX, caption) {
  SetSize(72, 22);
}

RadioButton::RadioButton(Widget& parent, const std::string& caption)
    : CheckableButton(parent, kChild | WS_TABSTOP | BS_NOTIFY | BS_RADIOBUTTON, caption) {
  SetSize(72, 22);
  // The arrow keys move within the group that the first one starts.
  if (!HasRadioButton(parent)) {
    SetStyle(Style() | WS_GROUP);
    SetChecked(true);
  }
}

void RadioButton::HandleCommand(int code) {
  if (code == BN_CLICKED) {
    for (size_t i = 0; i < Parent()->ChildCount(); ++i) {
      auto* sibling = dynamic_cast<RadioButton*>(&Parent()->Child(i));
      if (sibling && sibling != this) sibling->SetChecked(false);
    }
    SetChecked(true);
  }
  CheckableButton::HandleCommand(code);
}

Button* CreateButton(Widget& parent, const std::string& caption) {
  return parent.AddChild(std::make_unique<Button>(parent, caption));
}

CheckBox* CreateCheckBox(Widget& parent, const std::string& caption) {
  return parent.AddChild(std::make_unique<CheckBox>(parent, caption));
}

RadioButton* CreateRadioButton(Widget& parent, const std::string& caption) {
  return parent.AddChild(std::make_unique<RadioButton>(parent, caption));
}

// ---------------------------------------------------------------- statics

Label::Label(Widget& parent, const std::string& caption)
    : Widget(&parent, ControlClass(L"STATIC", kLabelStyle), caption) {
  SetSize(0, 22);
}

void Label::SetTextAlign(TextAlign align) {
  const DWORD type = align == TextAlign::Left    ? SS_LEFT
                     : align == TextAlign::Right ? SS_RIGHT
                                                 : SS_CENTER;
  SetStyle((Style() & ~SS_TYPEMASK) | type);
}

void Label::SetVerticalAlign(VerticalAlign align) {
  SetStyle(align == VerticalAlign::Center ? (Style() | SS_CENTERIMAGE)
                                          : (Style() & ~SS_CENTERIMAGE));
}

GroupBox::GroupBox(Widget& parent, const std::string& caption)
    // Not a tab stop: a group box never takes the focus.
    : Widget(&parent, ControlClass(L"BUTTON", kChild | WS_GROUP | BS_GROUPBOX, WS_EX_CONTROLPARENT),
             caption) {
  SetSize(Width() + 36, Height() + 78);
}

bool GroupBox::HandleMessage(UINT message, WPARAM wparam, LPARAM, LRESULT& result) {
  if (message != WM_ERASEBKGND) return false;
  // The box paints only its frame and caption; the rest is left to the
  // parent, which clips it out, so the box fills its own inside.
  FillBackground(reinterpret_cast<HDC>(wparam));
  result = 1;
  return true;
}

Panel::Panel(Widget& parent)
    : Widget(&parent, ControlClass(L"STATIC", kLabelStyle, WS_EX_CONTROLPARENT), "") {
  SetSize(Width() + 36, Height() + 36);
}

Label* CreateLabel(Widget& parent, const std::string& caption) {
  return parent.AddChild(std::make_unique<Label>(parent, caption));
}

GroupBox* CreateGroupBox(Widget& parent, const std::string& caption) {
  return parent.AddChild(std::make_unique<GroupBox>(parent, caption));
}

Panel* CreatePanel(Widget& parent) { return parent.AddChild(std::make_unique<Panel>(parent)); }

// ---------------------------------------------------------------- edit box

EditBox::EditBox(Widget& parent, DWORD editStyle)
    : Widget(&parent,
             ControlClass(L"EDIT",
                          kChild | WS_TABSTOP | editStyle |
                              ((editStyle & ES_MULTILINE) ? 0 : ES_AUTOHSCROLL | ES_AUTOVSCROLL),
                          WS_EX_CLIENTEDGE),
             "") {
  const bool multiLine = (editStyle & ES_MULTILINE) != 0;
  SetSize(multiLine ? 200 : 100, multiLine ? 200 : 22);
}

EditBox* CreateEditBox(Widget& parent, DWORD editStyle) {
  return parent.AddChild(std::make_unique<EditBox>(parent, editStyle));
}

}  // namespace ui
