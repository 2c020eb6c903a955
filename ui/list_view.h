// The list view (Windows only): a Widget over "SysListView32" with columns,
// rows, cell texts and per-row state. Rows and columns count from 0; styles and
// row states are the system's own LVS_, LVS_EX_ and LVIS_ flags.
//
//   ui::ListView* list = ui::CreateListView(*form, LVS_REPORT | LVS_SHOWSELALWAYS,
//                                           LVS_EX_FULLROWSELECT);
//   list->AddColumn("Имя файла", ui::TextAlign::Left, 160);
//   list->BeginUpdate();                      // thousands of rows: lock redrawing
//   int row = list->AddRow("");
//   list->SetCellText1251(row, 0, archiveName);   // archive texts are code page 1251
//   list->EndUpdate();
//   list->OnClick = ...;                      // left or right click in the list
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <string>

#include "ui/widget.h"

namespace ui {

// The row states that the list's commands read and write together.
constexpr UINT kRowStates = LVIS_FOCUSED | LVIS_SELECTED | LVIS_CUT | LVIS_DROPHILITED;

class ListView : public Widget {
 public:
  // listStyle: LVS_ flags (without LVS_SINGLESEL the user may select several
  // rows); extendedStyle: LVS_EX_ flags.
  ListView(Widget& parent, DWORD listStyle, DWORD extendedStyle);

  void SetColor(Color color) override;  // also the list's own background (LVM_SETBKCOLOR)

  // Alignment of the column's texts; a width of 0 or less leaves the system's.
  void AddColumn(const std::string& header, TextAlign align, int width);

  int AddRow(const std::string& text);  // the new row's index; texts UTF-8
  void SetCellText(int row, int column, const std::string& text);
  void SetCellText1251(int row, int column, const std::string& text);  // code page 1251
  std::string GetCellText(int row, int column);                        // UTF-8, whole however long
  int RowCount();
  void ClearRows();

  // Every read and write covers all of kRowStates: writing LVIS_SELECTED also
  // clears the focus mark. Row -1 writes every row.
  UINT GetRowState(int row);
  void SetRowState(int row, UINT state);
  bool RowSelected(int row) { return (GetRowState(row) & LVIS_SELECTED) != 0; }
  int NextSelectedRow(int after);  // -1 searches from the start; -1 when none

  // Filling thousands of rows: no redrawing in between (nothing is painted
  // meanwhile anyway), one repaint at the end.
  void BeginUpdate();
  void EndUpdate();

 protected:
  void AfterCreate() override;
  bool HandleNotify(NMHDR& header, LRESULT& result) override;

 private:
  void SetCell(int row, int column, const std::wstring& text);

  DWORD extendedStyle_;
  int columnCount_ = 0;
};

ListView* CreateListView(Widget& parent, DWORD listStyle, DWORD extendedStyle);

}  // namespace ui
