// The path formation dialog (Windows only): asks, each time an archive is
// opened, whether the entries' folders are formed from their dotted names or
// taken as stored. Built once at start-up and only hidden between uses, so the
// last choice is offered again; it has no cancel.
#pragma once

#include "archive/path_formation.h"
#include "ui/controls.h"
#include "ui/widget.h"

namespace forms {

struct PathModeDialog {
  ui::Widget* Form = nullptr;
  ui::RadioButton* FromNamesRadio = nullptr;
  ui::RadioButton* StoredPathsRadio = nullptr;
  ui::EditBox* DescriptionBox = nullptr;
  ui::EditBox* ResultPathBox = nullptr;
  ui::Button* DoneButton = nullptr;

  // Puts the description and final path of the checked choice into the boxes.
  void ShowTextsFor(archive::PathMode mode);
};

// Builds the dialog under `parent`, which owns it, hidden.
PathModeDialog* CreatePathModeDialog(ui::Widget& parent);

// Shows the dialog modally until "Готово", hides it and returns the choice.
archive::PathMode AskPathMode(PathModeDialog& dialog);

}  // namespace forms
