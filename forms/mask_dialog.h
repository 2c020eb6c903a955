// The select-by-mask dialog (Windows only): a substring, where to look for it
// (names, paths or both) and whether letter case counts. Built once at
// start-up and only hidden between uses, so the mask and the check boxes keep
// their last values. Enter is "Выделить" (while there is a mask); Esc and a
// close request are "Отмена".
#pragma once

#include <memory>

#include "archive/archive_entry.h"
#include "ui/controls.h"
#include "ui/list_view.h"
#include "ui/timer.h"
#include "ui/widget.h"

namespace forms {

struct MaskDialog {
  ui::Widget* Form = nullptr;
  ui::EditBox* MaskEdit = nullptr;
  ui::CheckBox* SearchNameBox = nullptr;
  ui::CheckBox* SearchPathBox = nullptr;
  ui::CheckBox* IgnoreCaseBox = nullptr;
  ui::Button* SelectButton = nullptr;
  ui::Button* CancelButton = nullptr;
  ui::Timer* ButtonGuardTimer = nullptr;  // "Выделить" only while there is a mask
};

// Builds the dialog under `parent`, which owns it, hidden.
MaskDialog* CreateMaskDialog(ui::Widget& parent);

// "Выделение по маске...": shows the dialog modally. "Выделить" adds the rows
// whose entry (table[r] for row r, with its names and paths as they are now)
// holds the mask to the selection and counts the selection again; "Отмена"
// puts the mask back as it was and changes nothing else.
void SelectByMask(MaskDialog& dialog, ui::ListView& list, const archive::EntryTable& table,
                  ui::Widget& countLabel);

}  // namespace forms
