// The select-by-mask dialog (Windows only): a substring, where to look for it
// (names, paths or both) and whether letter case counts. Built once at
// start-up and only hidden between uses, so the mask and the check boxes keep
// their last values. Enter is "Выделить" (while there is a mask); Esc and a
// close request are "Отмена".
#pragma once

#include <memory>

#include "archive/archive_entry.h"
#include "kol/widgets/controls.h"
#include "kol/widgets/list_view.h"
#include "kol/widgets/timer.h"
#include "kol/widgets/widget.h"

namespace forms {

struct MaskDialog {
  kol::Widget* Form = nullptr;
  kol::EditBox* MaskEdit = nullptr;
  kol::CheckBox* SearchNameBox = nullptr;
  kol::CheckBox* SearchPathBox = nullptr;
  kol::CheckBox* IgnoreCaseBox = nullptr;
  kol::Button* SelectButton = nullptr;
  kol::Button* CancelButton = nullptr;
  kol::Timer* ButtonGuardTimer = nullptr;  // "Выделить" only while there is a mask
};

// Builds the dialog under `parent`, hidden, and makes it the unit's dialog.
MaskDialog* CreateMaskDialog(kol::Widget& parent);
MaskDialog& MaskForm();  // valid once it has been built

// "Выделение по маске...": shows the dialog modally. "Выделить" adds the rows
// whose entry (table[r] for row r, with its names and paths as they are now)
// holds the mask to the selection and counts the selection again; "Отмена"
// puts the mask back as it was and changes nothing else.
void SelectByMask(kol::ListView& list, const archive::EntryTable& table, kol::Widget& countLabel);

}  // namespace forms
