#include "ui/controls.h"

#include <utility>

#include "ui/message_loop.h"

namespace ui {
namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kLabelStyle = kChild | SS_LEFTNOWORDWRAP | SS_NOTIFY | SS_NOPREFIX;

WidgetClass ControlClass(const wchar_t* system_class, DWORD style, DWORD ex_style = 0) {
  return WidgetClass{WidgetRole::Control, system_class, style, ex_style, 0};
}

bool HasRadioButton(const Widget& parent) {
  for (size_t i = 0; i < parent.ChildCount(); ++i) {
    if (dynamic_cast<const RadioButton*>(&parent.Child(i))) return true;
  }
  return false;
}

DWORD EditStyle(EditOptions options) {
  static constexpr std::pair<EditOption, DWORD> kStyles[] = {
      {EditOption::LowerCase, ES_LOWERCASE},       {EditOption::Multiline, ES_MULTILINE},
      {EditOption::NoHideSelection, ES_NOHIDESEL}, {EditOption::OemConvert, ES_OEMCONVERT},
      {EditOption::Password, ES_PASSWORD},         {EditOption::ReadOnly, ES_READONLY},
      {EditOption::UpperCase, ES_UPPERCASE},       {EditOption::WantReturn, ES_WANTRETURN}};
  DWORD style = kChild | WS_TABSTOP;
  if (!options.Has(EditOption::NoHorizontalScroll)) style |= WS_HSCROLL | ES_AUTOHSCROLL;
  if (!options.Has(EditOption::NoVerticalScroll)) style |= WS_VSCROLL | ES_AUTOVSCROLL;
  for (const auto& [option, bits] : kStyles) {
    if (options.Has(option)) style |= bits;
  }
  // Scroll bars belong to a box of several lines; one line scrolls by itself.
  if (!options.Has(EditOption::Multiline)) style &= ~(WS_HSCROLL | WS_VSCROLL);
  return style;
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

void ButtonBase::SetTextAlign(TextAlign align) {
  const DWORD bits = align == TextAlign::Left    ? BS_LEFT
                     : align == TextAlign::Right ? BS_RIGHT
                                                 : BS_CENTER;
  SetStyle((Style() & ~BS_CENTER) | bits);
}

void ButtonBase::SetVerticalAlign(VerticalAlign align) {
  const DWORD bits = align == VerticalAlign::Center ? BS_VCENTER
                     : align == VerticalAlign::Top  ? BS_TOP
                                                    : BS_BOTTOM;
  SetStyle((Style() & ~BS_VCENTER) | bits);
}

void ButtonBase::HandleCommand(int code) {
  if (code == BN_SETFOCUS && OnEnter) OnEnter(*this);
  if (code == BN_KILLFOCUS && OnLeave) OnLeave(*this);
  Widget::HandleCommand(code);
}

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

Panel::Panel(Widget& parent, PanelEdge edge)
    : Widget(&parent,
             ControlClass(L"STATIC",
                          kLabelStyle | (edge == PanelEdge::Raised    ? WS_DLGFRAME
                                         : edge == PanelEdge::Lowered ? SS_SUNKEN
                                                                      : 0),
                          WS_EX_CONTROLPARENT),
             "") {
  SetSize(Width() + 36, Height() + 36);
}

Label* CreateLabel(Widget& parent, const std::string& caption) {
  return parent.AddChild(std::make_unique<Label>(parent, caption));
}

GroupBox* CreateGroupBox(Widget& parent, const std::string& caption) {
  return parent.AddChild(std::make_unique<GroupBox>(parent, caption));
}

Panel* CreatePanel(Widget& parent, PanelEdge edge) {
  return parent.AddChild(std::make_unique<Panel>(parent, edge));
}

// ---------------------------------------------------------------- edit box

EditBox::EditBox(Widget& parent, EditOptions options)
    : Widget(&parent, ControlClass(L"EDIT", EditStyle(options), WS_EX_CLIENTEDGE), "") {
  const bool multi_line = options.Has(EditOption::Multiline);
  SetSize(multi_line ? 200 : 100, multi_line ? 200 : 22);
}

void EditBox::SetTextAlign(TextAlign align) {
  const DWORD bits = align == TextAlign::Left    ? ES_LEFT
                     : align == TextAlign::Right ? ES_RIGHT
                                                 : ES_CENTER;
  SetStyle((Style() & ~(ES_LEFT | ES_CENTER | ES_RIGHT)) | bits);
}

void EditBox::HandleCommand(int code) {
  if (code == EN_SETFOCUS && OnEnter) OnEnter(*this);
  if (code == EN_KILLFOCUS && OnLeave) OnLeave(*this);
}

EditBox* CreateEditBox(Widget& parent, EditOptions options) {
  return parent.AddChild(std::make_unique<EditBox>(parent, options));
}

}  // namespace ui
