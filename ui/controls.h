// The application window, forms and the controls (Windows only): a class per
// kind of control, each owning its window styles, with the methods that only
// make sense for it. The Create... functions take the parent first and return
// the new control, which the parent owns. A new control sits at the parent's
// Border (22 pixels lower in a group box), 64 x 64 before the kind's own size,
// and takes a copy of the parent's font when the parent has one.
//
//   ui::CheckBox* skip = ui::CreateCheckBox(*group, "Игнорировать пустые файлы");
//   skip->SetChecked(true);
//   ui::EditBox* name = ui::CreateEditBox(*group, ES_READONLY);
#pragma once

#include <memory>
#include <string>

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

// What push buttons, check boxes and radio buttons share: a "BUTTON" window.
class ButtonBase : public Widget {
 protected:
  ButtonBase(Widget& parent, DWORD style, const std::string& caption);
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

// A plain area without an edge that holds other controls.
class Panel : public Widget {
 public:
  explicit Panel(Widget& parent);  // 100 x 100
};

Label* CreateLabel(Widget& parent, const std::string& caption);
GroupBox* CreateGroupBox(Widget& parent, const std::string& caption);
Panel* CreatePanel(Widget& parent);

// ---------------------------------------------------------------- edit box

class EditBox : public Widget {
 public:
  // editStyle: ES_ flags. A box of one line (no ES_MULTILINE) scrolls its text
  // by itself (ES_AUTOHSCROLL, ES_AUTOVSCROLL); no box has scroll bars.
  EditBox(Widget& parent, DWORD editStyle);  // 100 x 22, multi-line 200 x 200
};

EditBox* CreateEditBox(Widget& parent, DWORD editStyle);

}  // namespace ui
