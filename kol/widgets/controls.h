// Constructors of the application window, forms and controls (Windows only).
// Each takes the parent first and returns the new widget, which the parent owns.
// A new control sits at the parent's Border (22 pixels lower in a group box),
// 64 x 64 before the kind's own size, and takes a copy of the parent's font
// when the parent has one.
#pragma once

#include <memory>
#include <string>

#include "kol/widgets/widget.h"

namespace kol {

// The window that owns the task-bar button and every form; run it with
// RunApplication (message_loop.h).
std::unique_ptr<Widget> CreateApplicationWindow(const std::string& caption);
// The first form created under the application window is the main form:
// closing it ends the application.
Widget* CreateForm(Widget& parent, const std::string& caption);
Widget* CreateButton(Widget& parent, const std::string& caption);    // height 22
Widget* CreateCheckBox(Widget& parent, const std::string& caption);  // 72 x 22
// 72 x 22; a click checks it and unchecks its sibling radio buttons; the first
// radio button of a parent starts checked.
Widget* CreateRadioButton(Widget& parent, const std::string& caption);
Widget* CreateLabel(Widget& parent, const std::string& caption);     // height 22
Widget* CreateGroupBox(Widget& parent, const std::string& caption);  // 100 x 120
enum class PanelEdge { Raised = 0, Lowered = 1, None = 2 };
Widget* CreatePanel(Widget& parent, PanelEdge edge);  // 100 x 100
// Options: 0 no horizontal scrolling, 1 no vertical scrolling, 2 lower case,
// 3 multi-line, 4 no hidden selection, 5 OEM convert, 6 password, 7 read-only,
// 8 upper case, 9 want return. 100 x 22, multi-line 200 x 200.
Widget* CreateEditBox(Widget& parent, OptionBits options);

}  // namespace kol
