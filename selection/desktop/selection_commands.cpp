#include "selection/desktop/selection_commands.h"

#include <windows.h>

#include <memory>
#include <string>

#include "io/text_helpers.h"

namespace selection {

using archive::EntryTable;

namespace {

// Posted to the list by a click; counted when it comes back.
constexpr UINT kCountAfterClick = WM_APP + 0x31;

template <class Work>
void RunCommand(const SelectionTarget& target, const char* statusText, Work work) {
  target.StatusLabel.SetText(statusText);
  target.StatusForm.Show();
  target.StatusForm.UpdateNow();  // no messages are taken until the command ends
  work(target.FileList, target.Table);
  target.StatusForm.Hide();
  RefreshSelectedCount(target.FileList, target.SelectedCountValue);
}

}  // namespace

void SelectAllRows(const SelectionTarget& target) {
  RunCommand(target, "Выделяем все...",
             [](ui::ListView& list, const EntryTable&) { list.SetRowState(-1, LVIS_SELECTED); });
}

void SelectCompressedRows(const SelectionTarget& target) {
  RunCommand(target, "Выделяем только сжатые...", [](ui::ListView& list, const EntryTable& table) {
    const int rows = list.RowCount();
    for (int r = 0; r < rows && static_cast<size_t>(r) < table.size(); ++r) {
      if (table[static_cast<size_t>(r)].Compression == archive::kCompressionDeflated) {
        list.SetRowState(r, LVIS_SELECTED);
      }
    }
  });
}

void InvertSelection(const SelectionTarget& target) {
  RunCommand(target, "Инвертируем выделение...", [](ui::ListView& list, const EntryTable&) {
    const int rows = list.RowCount();
    for (int r = 0; r < rows; ++r) list.SetRowState(r, list.RowSelected(r) ? 0 : LVIS_SELECTED);
  });
}

void RefreshSelectedCount(ui::ListView& list, ui::Widget& countLabel) {
  long long selected = 0;
  const int rows = list.RowCount();
  for (int r = 0; r < rows; ++r) {
    if (list.RowSelected(r)) ++selected;
  }
  countLabel.SetText(io::IntToText(selected));
}

void RefreshSelectedCountAfterClick(ui::ListView& list, ui::Widget& countLabel) {
  if (!list.Handle()) {
    RefreshSelectedCount(list, countLabel);
    return;
  }
  // One handler per click, gone once it has counted: several clicks queued
  // before the first count each get theirs.
  auto id = std::make_shared<int>(0);
  ui::ListView* l = &list;
  ui::Widget* label = &countLabel;
  *id = list.AttachHandler(
      [l, label, id](ui::Widget& w, UINT message, WPARAM, LPARAM, LRESULT& result) {
        if (message != kCountAfterClick) return false;
        w.DetachHandler(*id);
        RefreshSelectedCount(*l, *label);
        result = 0;
        return true;
      });
  PostMessageW(list.Handle(), kCountAfterClick, 0, 0);
}

void SelectMatchingRows(ui::ListView& list, const EntryTable& table, const MaskMatcher& matcher) {
  const int rows = list.RowCount();
  for (int r = 0; r < rows && static_cast<size_t>(r) < table.size(); ++r) {
    if (matcher.Matches(table[static_cast<size_t>(r)])) list.SetRowState(r, LVIS_SELECTED);
  }
}

}  // namespace selection
