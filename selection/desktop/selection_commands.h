// "Выделить все", "Выделить только сжатые", "Инвертировать выделение" and the
// counter of selected rows (Windows only). The selection is nothing but the
// selected state of the list's rows; every write sets a row's four flags at once.
#pragma once

#include "archive/archive_entry.h"
#include "selection/mask_match.h"
#include "ui/list_view.h"
#include "ui/widget.h"

namespace selection {

// What the commands work on; row r of FileList shows Table[r].
struct SelectionTarget {
  ui::ListView& FileList;
  const archive::EntryTable& Table;
  ui::Widget& SelectedCountValue;
  ui::Widget& StatusForm;
  ui::Widget& StatusLabel;
};

// Each shows its status text in the status window while it works, hides the
// window and counts the selected rows again.
void SelectAllRows(const SelectionTarget& target);
// Adds the rows whose entries are deflated (shown as "Да" under "Сжатый").
void SelectCompressedRows(const SelectionTarget& target);
void InvertSelection(const SelectionTarget& target);

// Counts the selected rows into the label, as plain digits.
void RefreshSelectedCount(ui::ListView& list, ui::Widget& countLabel);

// For a click in the list: counts once the list has processed the click. The
// list may report a click before it applies the click's selection change.
void RefreshSelectedCountAfterClick(ui::ListView& list, ui::Widget& countLabel);

// Adds the rows whose entries (Table[r] for row r) the matcher takes to the
// selection; other rows keep their state.
void SelectMatchingRows(ui::ListView& list, const archive::EntryTable& table,
                        const MaskMatcher& matcher);

}  // namespace selection
