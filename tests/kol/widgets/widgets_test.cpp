// The widget layer against real windows: the message loop, modal showing and
// the list view, as the program's windows rely on them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "kol/widgets/controls.h"
#include "kol/widgets/list_view.h"
#include "kol/widgets/message_loop.h"
#include "tests/kol/widgets/gui_test_support.h"

using namespace kol;

TEST(MessageLoop, ModalShowsAndTheMainFormsCloseEndTheirLoopsAndFreeEverything) {
  auto app = CreateApplicationWindow("tarnwick");
  Widget* main = CreateForm(*app, "Main");
  Widget* refusing = CreateForm(*app, "Refuses to close");
  Widget* dialog = CreateForm(*app, "Dialog");
  Widget* done = CreateButton(*dialog, "Done");
  done->OnClick = [&](Widget&) { dialog->SetModalResult(7); };
  dialog->SetVisible(false);
  refusing->OnClose = [](Widget&, bool& accept) { accept = false; };
  bool freed = false;
  main->AddToAutoFree([&] { freed = true; });

  std::vector<bool> seen;  // what held while the loops ran, in order
  guitest::Steps steps({
      [&] { PostMessageW(refusing->Handle(), WM_CLOSE, 0, 0); },
      [&] {
        seen.push_back(IsWindowVisible(refusing->Handle()) && ApplicationRunning());
        // The other forms take no input while a modal show runs.
        guitest::Steps in_dialog({[&] {
          seen.push_back(!IsWindowEnabled(main->Handle()) && IsWindowEnabled(dialog->Handle()));
          SendMessageW(done->Handle(), BM_CLICK, 0, 0);
        }});
        seen.push_back(dialog->ShowModal() == 7 && IsWindowEnabled(main->Handle()));
        // A close request ends the show with -1; the window stays for the caller to hide.
        guitest::Steps closing({[&] { PostMessageW(dialog->Handle(), WM_CLOSE, 0, 0); }});
        seen.push_back(dialog->ShowModal() == -1 && IsWindowVisible(dialog->Handle()));
        PostMessageW(main->Handle(), WM_CLOSE, 0, 0);
      },
  });
  RunApplication(app);
  EXPECT_EQ(seen, std::vector<bool>(4, true));
  EXPECT_EQ(app, nullptr);  // freed, with every form in it, the refusing one too
  EXPECT_TRUE(freed);
}

TEST(ListView, ReadsTextsOfAnyLengthWholeAndWritesAllFourRowFlagsTogether) {
  auto app = CreateApplicationWindow("tarnwick");
  ListView* list = CreateListView(*CreateForm(*app, "List"), ListViewStyle::Report,
                                  ListViewOption::MultiSelect | ListViewOption::FullRowSelect);
  list->AddColumn("Путь", TextAlign::Left, 160);
  // Lengths around the sizes the reading buffer grows through.
  const std::vector<size_t> lengths = {0, 1, 98, 99, 100, 101, 299, 300, 301, 799};
  std::string text;
  for (int i = 0; i < 800; ++i) text += static_cast<char>('a' + i % 26);
  for (size_t length : lengths) list->SetCellText(list->AddRow(""), 0, text.substr(0, length));
  for (size_t r = 0; r < lengths.size(); ++r) {
    EXPECT_EQ(list->GetCellText(static_cast<int>(r), 0), text.substr(0, lengths[r])) << lengths[r];
  }

  // Each write sets all four flags; row -1 is every row.
  list->SetRowState(-1, kRowSelected);
  list->SetRowState(2, kRowFocused | kRowCut);
  list->SetRowState(3, kRowDropHighlighted | kRowSelected);
  list->SetRowState(3, kRowSelected);
  EXPECT_EQ(list->GetRowState(2), RowState{kRowFocused | kRowCut});
  EXPECT_EQ(list->GetRowState(3), RowState{kRowSelected});
  EXPECT_EQ(list->GetRowState(9), RowState{kRowSelected});
}
