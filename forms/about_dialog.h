// The About box (Windows only): the program's title, release date, author and
// two links handed to the shell. Built when the main window is first shown and
// only hidden between uses; the window and its labels are kept by this unit.
#pragma once

#include <string>

#include "ui/widget.h"

namespace forms {

// Builds the box over `mainForm`, hidden; a box that exists already is kept.
void CreateAboutBox(ui::Widget& mainForm);
// Puts the five texts into the box and shows it modally until "Ok"; the rest
// of the main window takes no input meanwhile. An empty address shows as "нет",
// not as a link.
void ShowAboutBox(const std::string& title, const std::string& date, const std::string& author,
                  const std::string& email, const std::string& web);

// The box's window object, and its link labels; null before CreateAboutBox.
ui::Widget* AboutBox();
ui::Widget* AboutEmailLabel();
ui::Widget* AboutWebLabel();

}  // namespace forms
