// The application window, forms and the controls (Windows only): a class per
// kind of control, each owning its window styles, with the methods that only
// make sense for it. The Create... functions take the parent first and return
// the new control, which the parent owns. A new control sits at the parent's
// Border (22 pixels lower in a group box), 64 x 64 before the kind's own size,
// and takes a copy of the parent's font when the parent has one.
//
//   ui::CheckBox* skip = ui::CreateCheckBox(*group, "Игнорировать пустые файлы");
//   skip->SetChecked(true);
//   ui::EditBox* name = ui::CreateEditBox(*group, ui::EditOption::ReadOnly);
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ui/flags.h"
#include "ui/widget.h"

namespace ui {

// The window that owns the task-bar button and every form; run it with
// RunApplication (message_loop.h). It is active only in passing (its task-bar
// button clicked, a form hidden while active) and passes the focus on to the
// first form shown and enabled.
std::unique_ptr<Widget> CreateApplicationWindow(const std::string& caption);
// The first form created under the application window is the main form:
// closing it ends the application.
Widget* CreateForm(Widget& parent, const std::string& caption);

// ---------------------------------------------------------------- buttons

// What push buttons, check boxes and radio buttons share ("BUTTON" windows):
// where the caption sits, and focus notifications raising OnEnter and OnLeave.
class ButtonBase : public Widget {
 public:
  void SetTextAlign(TextAlign align);          // BS_LEFT, BS_RIGHT, BS_CENTER
  void SetVerticalAlign(VerticalAlign align);  // BS_VCENTER, BS_TOP, BS_BOTTOM

 protected:
  ButtonBase(Widget& parent, DWORD style, const std::string& caption);
  void HandleCommand(int code) override;
};

class Button : public ButtonBase {
 public:
  Button(Widget& parent, const std::string& caption);  // height 22
};

// A button with a check mark, which it keeps when its window is made again.
class CheckableButton : public ButtonBase {
 public:
  void SetChecked(bool checked);  // BM_SETCHECK
  bool GetChecked() const;        // BM_GETCHECK

 protected:
  using ButtonBase::ButtonBase;
  void AfterCreate() override;
  void SaveWindowState() override;

 private:
  bool checked_ = false;
};

class CheckBox : public CheckableButton {
 public:
  CheckBox(Widget& parent, const std::string& caption);  // 72 x 22
};

// A click checks it and unchecks its sibling radio buttons; the first radio
// button of a parent starts checked.
class RadioButton : public CheckableButton {
 public:
  RadioButton(Widget& parent, const std::string& caption);  // 72 x 22

 protected:
  void HandleCommand(int code) override;
};

Button* CreateButton(Widget& parent, const std::string& caption);
CheckBox* CreateCheckBox(Widget& parent, const std::string& caption);
RadioButton* CreateRadioButton(Widget& parent, const std::string& caption);

// ---------------------------------------------------------------- statics

// One line of text, not wrapped, "&" shown as it is; a click raises OnClick.
class Label : public Widget {
 public:
  Label(Widget& parent, const std::string& caption);  // height 22
  void SetTextAlign(TextAlign align);                 // SS_LEFT, SS_RIGHT, SS_CENTER
  void SetVerticalAlign(VerticalAlign align);         // centre: SS_CENTERIMAGE; else top
};

// A frame with a caption; its children start below the caption. Not a tab stop.
class GroupBox : public Widget {
 public:
  GroupBox(Widget& parent, const std::string& caption);  // 100 x 142

 protected:
  int TopOffset() const override { return 22; }
  bool HandleMessage(UINT message, WPARAM wparam, LPARAM lparam, LRESULT& result) override;
};

enum class PanelEdge { Raised = 0, Lowered = 1, None = 2 };

// A plain area that holds other controls.
class Panel : public Widget {
 public:
  Panel(Widget& parent, PanelEdge edge);  // 100 x 100
};

Label* CreateLabel(Widget& parent, const std::string& caption);
GroupBox* CreateGroupBox(Widget& parent, const std::string& caption);
Panel* CreatePanel(Widget& parent, PanelEdge edge);

// ---------------------------------------------------------------- edit box

enum class EditOption : std::uint32_t {
  NoHorizontalScroll = 1u << 0,  // else ES_AUTOHSCROLL, and WS_HSCROLL when multi-line
  NoVerticalScroll = 1u << 1,    // else ES_AUTOVSCROLL, and WS_VSCROLL when multi-line
  LowerCase = 1u << 2,
  Multiline = 1u << 3,
  NoHideSelection = 1u << 4,
  OemConvert = 1u << 5,
  Password = 1u << 6,
  ReadOnly = 1u << 7,
  UpperCase = 1u << 8,
  WantReturn = 1u << 9,
};
template <>
inline constexpr bool kIsOption<EditOption> = true;
using EditOptions = Flags<EditOption>;

// Focus notifications raise OnEnter and OnLeave; an edit box has no clicks.
class EditBox : public Widget {
 public:
  EditBox(Widget& parent, EditOptions options);  // 100 x 22, multi-line 200 x 200
  void SetTextAlign(TextAlign align);            // ES_LEFT, ES_RIGHT, ES_CENTER

 protected:
  void HandleCommand(int code) override;
};

EditBox* CreateEditBox(Widget& parent, EditOptions options);

}  // namespace ui
