// The list view (Windows only): a Widget over "SysListView32" with columns,
// rows, cell texts and per-row state. Rows and columns count from 0.
//
//   ui::ListView* list = ui::CreateListView(*form, ui::ListViewStyle::Report,
//       ui::ListViewOption::MultiSelect | ui::ListViewOption::FullRowSelect);
//   list->AddColumn("Имя файла", ui::TextAlign::Left, 160);
//   list->BeginUpdate();                      // thousands of rows: lock redrawing
//   int row = list->AddRow("");
//   list->SetCellText1251(row, 0, archive_name);   // archive texts are code page 1251
//   list->EndUpdate();
//   list->OnClick = ...;                      // left or right click in the list
#pragma once

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <cstdint>
#include <string>

#include "ui/flags.h"
#include "ui/widget.h"

namespace ui {

enum class ListViewStyle { Icon = 0, SmallIcon = 1, List = 2, Report = 3, ReportNoHeader = 4 };

enum class ListViewOption : std::uint32_t {
  HideSelectionWithoutFocus = 1u << 0,  // else LVS_SHOWSELALWAYS
  MultiSelect = 1u << 1,                // else LVS_SINGLESEL
  FullRowSelect = 1u << 2,              // LVS_EX_FULLROWSELECT
};
template <>
inline constexpr bool kIsOption<ListViewOption> = true;
using ListViewOptions = Flags<ListViewOption>;

// The four flags of a row, read and written together.
enum RowStateBits : unsigned {
  kRowFocused = 1,
  kRowSelected = 2,
  kRowCut = 4,
  kRowDropHighlighted = 8
};
using RowState = unsigned;

class ListView : public Widget {
 public:
  ListView(Widget& parent, ListViewStyle view_style, ListViewOptions options,
           HIMAGELIST small_images, HIMAGELIST normal_images, HIMAGELIST state_images);

  void SetColor(Color color) override;  // also the list's own background (LVM_SETBKCOLOR)

  // Alignment of the column's texts; a width of 0 or less leaves the system's.
  void AddColumn(const std::string& header, TextAlign align, int width);
  int ColumnCount() const { return column_count_; }

  int AddRow(const std::string& text);      // the new row's index; texts UTF-8
  int AddRow1251(const std::string& text);  // code page 1251
  void SetCellText(int row, int column, const std::string& text);
  void SetCellText1251(int row, int column, const std::string& text);
  std::string GetCellText(int row, int column);  // UTF-8, whole however long
  int RowCount();
  void ClearRows();

  // Every read and write covers all four flags: writing {kRowSelected} also
  // clears the focus mark. Row -1 writes every row.
  RowState GetRowState(int row);
  void SetRowState(int row, RowState state);
  int NextSelectedRow(int after);  // -1 searches from the start; -1 when none

  // Filling thousands of rows: no redrawing in between (nothing is painted
  // meanwhile anyway), one repaint at the end.
  void BeginUpdate();
  void EndUpdate();

 protected:
  void AfterCreate() override;
  bool HandleNotify(NMHDR& header, LRESULT& result) override;

 private:
  int InsertRow(const std::wstring& text);
  void SetCell(int row, int column, const std::wstring& text);

  DWORD list_ex_style_;
  HIMAGELIST images_[3];
  int column_count_ = 0;
};

ListView* CreateListView(Widget& parent, ListViewStyle view_style, ListViewOptions options,
                         HIMAGELIST small_images = nullptr, HIMAGELIST normal_images = nullptr,
                         HIMAGELIST state_images = nullptr);

}  // namespace ui
