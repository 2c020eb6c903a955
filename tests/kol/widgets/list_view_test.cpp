// The list view against the system control: rows, cells, state and clicks.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "kol/widgets/controls.h"
#include "kol/widgets/list_view.h"
#include "kol/widgets/message_loop.h"
#include "tests/kol/widgets/gui_test_support.h"

using namespace kol;

namespace {

class ListViewTest : public ::testing::Test {
 protected:
  std::unique_ptr<Widget> app = CreateApplicationWindow("tarnwick");
  Widget* form = CreateForm(*app, "Список");
  ListView* list = CreateListView(*form, ListViewStyle::Report,
                                  ListViewOption::MultiSelect | ListViewOption::FullRowSelect);

  void SetUp() override {
    form->SetPosition(50, 50).SetSize(600, 400);
    list->SetAlign(Align::Client);
    form->GetWindowHandle();
    list->AddColumn("Имя файла", TextAlign::Left, 160);
    list->AddColumn("Путь", TextAlign::Left, 160);
    list->AddColumn("Размер", TextAlign::Right, 0);
    for (int i = 0; i < 5; ++i) {
      const int row = list->AddRow("");
      list->SetCellText(row, 0, "file" + std::to_string(i) + ".h4r");
      list->SetCellText(row, 2, std::to_string(i * 100));
    }
    kol::ProcessMessages();
  }

  POINT RowPoint(int row) {
    RECT r{};
    r.left = LVIR_LABEL;
    SendMessageW(list->Handle(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
    return POINT{r.left + 10, (r.top + r.bottom) / 2};
  }

  // A real mouse click: the button goes up as soon as the list looks for it.
  void Click(int row, UINT down, UINT up, WPARAM button) {
    const POINT p = RowPoint(row);
    PostMessageW(list->Handle(), up, 0, MAKELPARAM(p.x, p.y));
    SendMessageW(list->Handle(), down, button, MAKELPARAM(p.x, p.y));
    kol::ProcessMessages();
  }
};

}  // namespace

TEST_F(ListViewTest, OptionsGiveTheWindowStylesOfAMultiSelectFullRowReport) {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(list->Handle(), GWL_STYLE));
  EXPECT_EQ(style & LVS_TYPEMASK, static_cast<DWORD>(LVS_REPORT));
  EXPECT_TRUE(style & LVS_SHOWSELALWAYS);
  EXPECT_FALSE(style & LVS_SINGLESEL);
  EXPECT_TRUE(SendMessageW(list->Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) &
              LVS_EX_FULLROWSELECT);
  EXPECT_TRUE(GetWindowLongPtrW(list->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
  EXPECT_EQ(list->ColumnCount(), 3);
  EXPECT_EQ(SendMessageW(list->Handle(), LVM_GETBKCOLOR, 0, 0),
            static_cast<LRESULT>(GetSysColor(COLOR_WINDOW)));

  ListView* single = CreateListView(*form, ListViewStyle::ReportNoHeader,
                                    ListViewOption::HideSelectionWithoutFocus);
  const auto other = static_cast<DWORD>(GetWindowLongPtrW(single->Handle(), GWL_STYLE));
  EXPECT_TRUE(other & LVS_SINGLESEL);
  EXPECT_FALSE(other & LVS_SHOWSELALWAYS);
  EXPECT_TRUE(other & LVS_NOCOLUMNHEADER);
  EXPECT_FALSE(SendMessageW(single->Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) &
               LVS_EX_FULLROWSELECT);
}

TEST_F(ListViewTest, RowStateIsReadAndWrittenAsAllFourFlags) {
  EXPECT_EQ(list->NextSelectedRow(-1), -1);

  list->SetRowState(-1, kRowSelected);
  int count = 0;
  for (int r = list->NextSelectedRow(-1); r != -1; r = list->NextSelectedRow(r)) {
    EXPECT_EQ(r, count);
    ++count;
  }
  EXPECT_EQ(count, 5);

  list->SetRowState(2, kRowFocused | kRowSelected);
  EXPECT_EQ(list->GetRowState(2), static_cast<RowState>(kRowFocused | kRowSelected));
  list->SetRowState(2, kRowSelected);  // the focus mark goes with it
  EXPECT_EQ(list->GetRowState(2), static_cast<RowState>(kRowSelected));
  list->SetRowState(2, kRowFocused | kRowCut);
  list->SetRowState(2, 0);
  EXPECT_EQ(list->GetRowState(2), 0u);
  EXPECT_EQ(list->NextSelectedRow(1), 3);

  list->SetRowState(-1, 0);
  EXPECT_EQ(list->NextSelectedRow(-1), -1);
}

TEST_F(ListViewTest, CellTextsComeBackWholeFromUtf8AndCodePage1251) {
  EXPECT_EQ(list->RowCount(), 5);
  EXPECT_EQ(list->GetCellText(3, 0), "file3.h4r");
  EXPECT_EQ(list->GetCellText(3, 1), "");
  EXPECT_EQ(list->GetCellText(3, 2), "300");

  std::string long_text;
  for (int i = 0; i < 500; ++i) long_text += static_cast<char>('a' + i % 26);
  list->SetCellText(1, 1, long_text);
  EXPECT_EQ(list->GetCellText(1, 1), long_text);
  for (size_t length : {98u, 99u, 100u, 299u}) {  // around the first buffer sizes
    list->SetCellText(1, 1, long_text.substr(0, length));
    EXPECT_EQ(list->GetCellText(1, 1).size(), length);
  }

  // Archive names are code page 1251 bytes: "Имя.h4r" and "Да".
  const int row = list->AddRow1251("\xC8\xEC\xFF.h4r");
  EXPECT_EQ(row, 5);
  list->SetCellText1251(row, 2, "\xC4\xE0");
  EXPECT_EQ(list->GetCellText(row, 0), "Имя.h4r");
  EXPECT_EQ(list->GetCellText(row, 2), "Да");
  EXPECT_EQ(list->GetCellText(42, 0), "");  // no such row

  list->ClearRows();
  EXPECT_EQ(list->RowCount(), 0);
  EXPECT_EQ(list->ColumnCount(), 3);
  EXPECT_EQ(list->AddRow("again"), 0);
}

TEST_F(ListViewTest, LeftAndRightClicksRaiseOnClickButProgramChangesDoNot) {
  int clicks = 0;
  list->OnClick = [&](Widget& sender) {
    EXPECT_EQ(&sender, list);
    ++clicks;
  };
  list->SetRowState(1, kRowSelected);
  list->SetRowState(-1, 0);
  EXPECT_EQ(clicks, 0);

  Click(2, WM_LBUTTONDOWN, WM_LBUTTONUP, MK_LBUTTON);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(list->NextSelectedRow(-1), 2);  // read after the click was processed
  Click(4, WM_RBUTTONDOWN, WM_RBUTTONUP, MK_RBUTTON);
  EXPECT_EQ(clicks, 2);

  // Filling many rows under the redraw lock leaves them all there.
  list->BeginUpdate();
  for (int i = 0; i < 300; ++i) list->AddRow1251("x");
  list->EndUpdate();
  EXPECT_EQ(list->RowCount(), 305);
}
