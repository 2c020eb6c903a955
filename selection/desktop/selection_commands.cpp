#include "selection/desktop/selection_commands.h"

#include <windows.h>

#include <memory>
#include <string>

#include "kol/text_helpers.h"

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
  work(target.FileList);
  target.StatusForm.Hide();
  RefreshSelectedCount(target.FileList, target.SelectedCountValue);
}

}  // namespace

void SelectAllRows(const SelectionTarget& target) {
  RunCommand(target, "Выделяем все...", [](kol::ListView& list) { list.SetRowState(-1, kol::kRowSelected); });
}

void SelectCompressedRows(const SelectionTarget& target) {
  RunCommand(target, "Выделяем только сжатые...", [](kol::ListView& list) {
    const int rows = list.RowCount();
    for (int r = 0; r < rows; ++r) {
      if (list.GetCellText(r, 3) == "Да") list.SetRowState(r, kol::kRowSelected);
    }
  });
}

void InvertSelection(const SelectionTarget& target) {
  RunCommand(target, "Инвертируем выделение...", [](kol::ListView& list) {
    const int rows = list.RowCount();
    for (int r = 0; r < rows; ++r) {
      list.SetRowState(r, (list.GetRowState(r) & kol::kRowSelected) ? kol::RowState{0} : kol::RowState{kol::kRowSelected});
    }
  });
}

void RefreshSelectedCount(kol::ListView& list, kol::Widget& countLabel) {
  long long selected = 0;
  const int rows = list.RowCount();
  for (int r = 0; r < rows; ++r) {
    if (list.GetRowState(r) & kol::kRowSelected) ++selected;
  }
  countLabel.SetText(kol::IntToText(selected));
}

void RefreshSelectedCountAfterClick(kol::ListView& list, kol::Widget& countLabel) {
  if (!list.Handle()) {
    RefreshSelectedCount(list, countLabel);
    return;
  }
  // One handler per click, gone once it has counted: several clicks queued
  // before the first count each get theirs.
  auto id = std::make_shared<int>(0);
  kol::ListView* l = &list;
  kol::Widget* label = &countLabel;
  *id = list.AttachHandler([l, label, id](kol::Widget& w, UINT message, WPARAM, LPARAM, LRESULT& result) {
    if (message != kCountAfterClick) return false;
    w.DetachHandler(*id);
    RefreshSelectedCount(*l, *label);
    result = 0;
    return true;
  });
  PostMessageW(list.Handle(), kCountAfterClick, 0, 0);
}

void SelectMatchingRows(kol::ListView& list, const EntryTable& table, const MaskMatcher& matcher) {
  const int rows = list.RowCount();
  for (int r = 0; r < rows && static_cast<size_t>(r) < table.size(); ++r) {
    if (matcher.Matches(table[static_cast<size_t>(r)])) list.SetRowState(r, kol::kRowSelected);
  }
}

}  // namespace selection
