#include "kol/widgets/controls.h"

#include "kol/widgets/message_loop.h"

namespace kol {
namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr DWORD kLabelStyle = kChild | SS_LEFTNOWORDWRAP | SS_NOTIFY | SS_NOPREFIX;

std::unique_ptr<Widget> NewControl(Widget& parent, WidgetKind kind, const wchar_t* system_class,
                                   DWORD style, DWORD ex_style, const std::string& text) {
  return std::make_unique<Widget>(&parent, WidgetClass{kind, system_class, style, ex_style, 0},
                                  text);
}

bool HasRadioButton(const Widget& parent) {
  for (size_t i = 0; i < parent.ChildCount(); ++i) {
    if (parent.Child(i).Kind() == WidgetKind::RadioButton) return true;
  }
  return false;
}

}  // namespace

std::unique_ptr<Widget> CreateApplicationWindow(const std::string& caption) {
  auto application = std::make_unique<Widget>(
      nullptr,
      WidgetClass{WidgetKind::Application, nullptr,
                  WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, WS_EX_APPWINDOW,
                  0},
      caption);
  detail::SetApplicationWindow(application.get());
  return application;
}

Widget* CreateForm(Widget& parent, const std::string& caption) {
  return parent.AddChild(std::make_unique<Widget>(
      &parent,
      WidgetClass{WidgetKind::Form, nullptr,
                  WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_OVERLAPPEDWINDOW,
                  WS_EX_CONTROLPARENT, CS_OWNDC | CS_DBLCLKS},
      caption));
}

Widget* CreateButton(Widget& parent, const std::string& caption) {
  auto w = NewControl(parent, WidgetKind::Button, L"BUTTON",
                      WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHLIKE, 0, caption);
  w->SetSize(0, 22);
  return parent.AddChild(std::move(w));
}

Widget* CreateCheckBox(Widget& parent, const std::string& caption) {
  auto w = NewControl(parent, WidgetKind::CheckBox, L"BUTTON",
                      kChild | WS_TABSTOP | BS_AUTOCHECKBOX, 0, caption);
  w->SetSize(72, 22);
  return parent.AddChild(std::move(w));
}

Widget* CreateRadioButton(Widget& parent, const std::string& caption) {
  auto w = NewControl(parent, WidgetKind::RadioButton, L"BUTTON",
                      kChild | WS_TABSTOP | WS_GROUP | BS_NOTIFY | BS_RADIOBUTTON, 0, caption);
  w->SetSize(72, 22);
  if (!HasRadioButton(parent)) w->SetChecked(true);
  return parent.AddChild(std::move(w));
}

Widget* CreateLabel(Widget& parent, const std::string& caption) {
  auto w = NewControl(parent, WidgetKind::Label, L"STATIC", kLabelStyle, 0, caption);
  w->SetSize(0, 22);
  return parent.AddChild(std::move(w));
}

Widget* CreateGroupBox(Widget& parent, const std::string& caption) {
  // Not a tab stop: a group box never takes the focus.
  auto w = NewControl(parent, WidgetKind::GroupBox, L"BUTTON", kChild | WS_GROUP | BS_GROUPBOX,
                      WS_EX_CONTROLPARENT, caption);
  w->SetSize(w->Width() + 36, w->Height() + 78);
  return parent.AddChild(std::move(w));
}

Widget* CreatePanel(Widget& parent, PanelEdge edge) {
  const DWORD edge_style = edge == PanelEdge::Raised    ? WS_DLGFRAME
                           : edge == PanelEdge::Lowered ? SS_SUNKEN
                                                        : 0;
  auto w = NewControl(parent, WidgetKind::Panel, L"STATIC", kLabelStyle | edge_style,
                      WS_EX_CONTROLPARENT, "");
  w->SetSize(w->Width() + 36, w->Height() + 36);
  return parent.AddChild(std::move(w));
}

Widget* CreateEditBox(Widget& parent, OptionBits options) {
  DWORD style = kChild | WS_TABSTOP;
  if (!options.Has(0)) style |= WS_HSCROLL | ES_AUTOHSCROLL;
  if (!options.Has(1)) style |= WS_VSCROLL | ES_AUTOVSCROLL;
  const DWORD bits[] = {
      0,           0,           ES_LOWERCASE, ES_MULTILINE, ES_NOHIDESEL, ES_OEMCONVERT,
      ES_PASSWORD, ES_READONLY, ES_UPPERCASE, ES_WANTRETURN};
  for (int i = 2; i < 10; ++i) {
    if (options.Has(i)) style |= bits[i];
  }
  const bool multi_line = options.Has(3);
  if (!multi_line) style &= ~(WS_HSCROLL | WS_VSCROLL);
  auto w = NewControl(parent, WidgetKind::EditBox, L"EDIT", style, WS_EX_CLIENTEDGE, "");
  w->SetSize(multi_line ? 200 : 100, multi_line ? 200 : 22);
  return parent.AddChild(std::move(w));
}

}  // namespace kol
