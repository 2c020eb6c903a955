// The path formation dialog (Windows only): asks, each time an archive is
// opened, whether the entries' folders are formed from their dotted names or
// taken as stored. Built once at start-up and only hidden between uses, so the
// last choice is offered again; it has no cancel.
#pragma once

#include "archive/path_formation.h"
#include "kol/widgets/widget.h"

struct PathModeDialog {
  kol::Widget* Form = nullptr;
  kol::Widget* FromNamesRadio = nullptr;
  kol::Widget* StoredPathsRadio = nullptr;
  kol::Widget* DescriptionBox = nullptr;
  kol::Widget* ResultPathBox = nullptr;
  kol::Widget* DoneButton = nullptr;

  // Puts the description and final path of the checked choice into the boxes.
  void ShowTextsFor(PathMode mode);
};

// Builds the dialog under `parent`, hidden, and makes it the unit's dialog.
PathModeDialog* CreatePathModeDialog(kol::Widget& parent);
PathModeDialog& PathModeForm();  // valid once it has been built

// Shows the dialog modally until "Готово", hides it and returns the choice.
PathMode AskPathMode();
