// The main window's selection and unpacking commands, the mask dialog and the
// About box, driven through their buttons, menu items and real list clicks,
// with the folder dialog scripted (and once the real one).
#include <gtest/gtest.h>

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "archive/desktop/open_archive.h"
#include "forms/main_window.h"
#include "forms/status_window.h"
#include "forms/mask_dialog.h"
#include "forms/about_dialog.h"
#include "forms/user_message.h"
#include "forms/path_mode_dialog.h"
#include "kol/widgets/controls.h"
#include "kol/widgets/file_dialogs.h"
#include "kol/widgets/message_loop.h"
#include "kol/wide_text.h"
#include "tests/kol/widgets/gui_test_support.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

using namespace kol;
using archive::PathMode;
using forms::AboutBox;
using forms::AboutEmailLabel;
using forms::AboutWebLabel;
using forms::CreateProgramWindows;
using forms::MainForm;
using forms::MainUnit;
using forms::MaskDialog;
using forms::MaskForm;
using forms::Opening;
using forms::PathModeForm;
using forms::kMenuAbout;
using forms::kMenuOpenArchive;
using testarchive::Entry;

using testarchive::MakeEntry;
namespace {


void Click(Widget* button) { SendMessageW(button->Handle(), BM_CLICK, 0, 0); }

class CommandsTest : public ::testing::Test {
 protected:
  std::unique_ptr<Widget> app = CreateApplicationWindow("tarnwick");
  testarchive::TempFolder folder;
  std::vector<std::string> statuses;  // the texts the status label was given
  int status_shown = 0, status_hidden = 0;
  std::vector<std::string> messages;
  forms::detail::UserMessageFunction previous_message;

  void SetUp() override {
    CreateProgramWindows(*app);
    MainForm().Form->Show();  // builds the About box
    Opening().StatusLabel->AttachHandler([this](Widget&, UINT message, WPARAM, LPARAM lparam, LRESULT&) {
      if (message == WM_SETTEXT) statuses.push_back(Utf8FromWide(reinterpret_cast<const wchar_t*>(lparam)));
      return false;
    });
    Opening().StatusForm->AttachHandler([this](Widget&, UINT message, WPARAM wparam, LPARAM, LRESULT&) {
      if (message == WM_SHOWWINDOW) ++(wparam ? status_shown : status_hidden);
      return false;
    });
    previous_message = forms::detail::ReplaceUserMessage(
        [this](const std::string& text) { messages.push_back(text); });
  }
  void TearDown() override {
    forms::detail::ReplaceUserMessage(previous_message);
    EXPECT_EQ(FolderDialog::ScriptedAnswersLeft(), 0u);
  }

  ListView& List() { return *MainForm().FileList; }
  std::string Counter() { return MainForm().SelectedCountValue->GetText(); }

  std::string Open(const testarchive::Archive& archive, PathMode mode = PathMode::FromNames,
                   const std::string& name = "test.h4r") {
    const std::string file = folder / name;
    EXPECT_TRUE(testarchive::WriteFileBytes(file, testarchive::Build(archive)));
    OpenFileDialog::ScriptAnswer([file](const OpenFileDialog&) { return std::optional<std::string>(file); });
    guitest::Steps steps({[mode] {
      Click(mode == PathMode::Stored ? PathModeForm().StoredPathsRadio : PathModeForm().FromNamesRadio);
      Click(PathModeForm().DoneButton);
    }});
    SendMessageW(MainForm().Form->Handle(), WM_COMMAND,
                 MAKEWPARAM(MainForm().MainMenu->CommandId(kMenuOpenArchive), 0), 0);
    EXPECT_TRUE(steps.Done());
    statuses.clear();
    status_shown = status_hidden = 0;
    return file;
  }

  // An unpacking button with the folder dialog answering `out` (or cancelling);
  // the folder the dialog was opened on is kept in `preselected`.
  std::string preselected;
  void Unpack(Widget* button, std::optional<std::string> out) {
    FolderDialog::ScriptAnswer([this, out](const FolderDialog& d) {
      preselected = d.InitialPath;
      return out;
    });
    Click(button);
  }

  POINT RowPoint(int row) {
    RECT r{};
    r.left = LVIR_LABEL;
    SendMessageW(List().Handle(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
    return POINT{r.left + 10, (r.top + r.bottom) / 2};
  }
  // A real click: the button goes up as soon as the list looks for it.
  void ClickRow(int row, UINT down = WM_LBUTTONDOWN, WPARAM keys = MK_LBUTTON) {
    const POINT p = RowPoint(row);
    const UINT up = down == WM_LBUTTONDOWN ? WM_LBUTTONUP : WM_RBUTTONUP;
    PostMessageW(List().Handle(), up, 0, MAKELPARAM(p.x, p.y));
    SendMessageW(List().Handle(), down, keys, MAKELPARAM(p.x, p.y));
    ProcessMessages();
  }

  std::vector<int> SelectedRows() {
    std::vector<int> rows;
    for (int r = List().NextSelectedRow(-1); r != -1; r = List().NextSelectedRow(r)) rows.push_back(r);
    return rows;
  }

  // "Выделение по маске..." with the dialog worked by `act` while it is shown.
  void MaskCommand(std::function<void()> act) {
    guitest::Steps steps({std::move(act)});
    Click(MainForm().SelectByMaskButton);
    EXPECT_TRUE(steps.Done());
    EXPECT_FALSE(MaskForm().Form->Visible());
  }
  void ApplyMask(const std::string& mask, bool by_name, bool by_path, bool ignore_case) {
    MaskCommand([&] {
      MaskForm().MaskEdit->SetText(mask);
      MaskForm().SearchNameBox->SetChecked(by_name);
      MaskForm().SearchPathBox->SetChecked(by_path);
      MaskForm().IgnoreCaseBox->SetChecked(ignore_case);
      MaskForm().Form->SetModalResult(0);
      EXPECT_TRUE(guitest::PumpUntil([] { return MaskForm().SelectButton->Enabled(); }));
      Click(MaskForm().SelectButton);
    });
  }
};

testarchive::Archive Numbered(int count) {
  testarchive::Archive a;
  for (int i = 0; i < count; ++i) {
    a.entries.push_back(MakeEntry("f" + std::to_string(i) + ".txt", "", "data " + std::to_string(i)));
  }
  return a;
}

std::optional<std::string> Content(const std::string& file) { return testarchive::ReadFileBytes(file); }

}  // namespace

TEST_F(CommandsTest, ProgressShowsEachRowsShareBeforeItIsWritten) {
  Open(Numbered(10));
  const std::string out = folder / "out";
  const std::vector<std::pair<std::vector<int>, std::vector<std::string>>> cases = {
      {{0, 1, 2, 3, 4, 5, 6, 7}, {"12%", "25%", "38%", "50%", "62%", "75%", "88%", "100%"}},
      {{2, 5, 9}, {"33%", "67%", "100%"}},
      {{4}, {"100%"}},
  };
  for (const auto& [rows, percents] : cases) {
    List().SetRowState(-1, 0);
    for (int r : rows) List().SetRowState(r, kRowSelected);
    statuses.clear();
    Unpack(MainForm().ExtractSelectedButton, out);
    std::vector<std::string> expected;
    for (const std::string& p : percents) expected.push_back("Распаковка ... " + p);
    EXPECT_EQ(statuses, expected);
    EXPECT_FALSE(Opening().StatusForm->Visible());
    EXPECT_EQ(Opening().StatusLabel->GetText(), "Распаковка ... 100%");  // kept until next used
  }
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(Content(out + "\\f" + std::to_string(i) + ".txt").has_value(), i != 8) << i;
  }
  EXPECT_TRUE(messages.empty());
}

TEST_F(CommandsTest, SelectedRowsAreWrittenInRowOrderAndAllRowsByExtractAll) {
  // Rows 1 and 4 write the same file, so the content left tells which went last.
  testarchive::Archive a = Numbered(6);
  a.entries[1] = MakeEntry("same.txt", "", "row 1");
  a.entries[4] = MakeEntry("same.txt", "", "row 4", 3);
  Open(a, PathMode::Stored);
  ClickRow(4);
  ClickRow(1, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL);
  EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 4}));
  EXPECT_EQ(Counter(), "2");
  const std::string out = folder / "sel";
  Unpack(MainForm().ExtractSelectedButton, out);
  EXPECT_EQ(Content(out + "\\same.txt"), "row 4");
  EXPECT_FALSE(Content(out + "\\f0.txt"));
  EXPECT_EQ(MainUnit().LastUnpackFolder, out);

  ClickRow(1);  // one row selected: the all-rows command does not care
  const std::string all = folder / "all";
  Unpack(MainForm().ExtractAllButton, all);
  EXPECT_EQ(preselected, out);
  EXPECT_EQ(statuses.size(), 2u + 6u);
  for (int i : {0, 2, 3, 5}) EXPECT_EQ(Content(all + "\\f" + std::to_string(i) + ".txt"), "data " + std::to_string(i));
  EXPECT_EQ(Content(all + "\\same.txt"), "row 4");
  EXPECT_EQ(MainUnit().LastUnpackFolder, all);
  EXPECT_TRUE(messages.empty());
}

TEST_F(CommandsTest, EmptyEntriesArePassedOverWhileTheBoxIsCheckedButStillCountAsSteps) {
  testarchive::Archive a = Numbered(3);
  a.entries[1].data = "";
  a.entries[1].storedSize = 0;
  Open(a);
  EXPECT_TRUE(MainForm().SkipEmptyCheck->GetChecked());
  const std::string skip = folder / "skip";
  Unpack(MainForm().ExtractAllButton, skip);
  EXPECT_EQ(statuses, (std::vector<std::string>{"Распаковка ... 33%", "Распаковка ... 67%", "Распаковка ... 100%"}));
  EXPECT_TRUE(Content(skip + "\\f0.txt"));
  EXPECT_FALSE(Content(skip + "\\f1.txt"));
  EXPECT_TRUE(Content(skip + "\\f2.txt"));

  Click(MainForm().SkipEmptyCheck);
  EXPECT_FALSE(MainForm().SkipEmptyCheck->GetChecked());
  const std::string keep = folder / "keep";
  Unpack(MainForm().ExtractAllButton, keep);
  EXPECT_EQ(Content(keep + "\\f1.txt"), "");
  EXPECT_TRUE(messages.empty());
}

TEST_F(CommandsTest, ACancelledFolderDialogChangesNothingAndTheNextOpeningStartsThereAgain) {
  Open(Numbered(3));
  const std::string start = MainUnit().LastUnpackFolder;
  EXPECT_FALSE(start.empty());
  List().SetRowState(-1, kRowSelected);
  Unpack(MainForm().ExtractSelectedButton, std::nullopt);
  Unpack(MainForm().ExtractAllButton, std::nullopt);
  EXPECT_EQ(preselected, start);
  EXPECT_EQ(MainUnit().LastUnpackFolder, start);
  EXPECT_TRUE(statuses.empty());
  EXPECT_EQ(status_shown, 0);
  EXPECT_TRUE(messages.empty());
  Unpack(MainForm().ExtractAllButton, std::nullopt);
  EXPECT_EQ(preselected, start);
}

TEST_F(CommandsTest, NoSelectedRowsStillOpensAndClosesTheArchiveAndWritesNothing) {
  const std::string archive = Open(Numbered(3));
  const std::string out = folder / "none";
  Unpack(MainForm().ExtractSelectedButton, out);
  EXPECT_EQ(MainUnit().LastUnpackFolder, out);
  EXPECT_EQ(status_shown, 1);
  EXPECT_EQ(status_hidden, 1);
  EXPECT_TRUE(statuses.empty());
  EXPECT_EQ(GetFileAttributesW(WideFromUtf8(out).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(messages.empty());
  // Closed again: an open stream would keep the file from being deleted.
  EXPECT_TRUE(DeleteFileW(WideFromUtf8(archive).c_str()));

  // Gone now: told once, and nothing written.
  List().SetRowState(-1, kRowSelected);
  Unpack(MainForm().ExtractAllButton, out);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("Не удалось открыть файл архива\n" + archive), std::string::npos) << messages[0];
  EXPECT_EQ(GetFileAttributesW(WideFromUtf8(out).c_str()), INVALID_FILE_ATTRIBUTES);
  EXPECT_FALSE(Opening().StatusForm->Visible());
}

TEST_F(CommandsTest, DamagedEntriesAndPathsLeavingTheFolderAreToldOnceAtTheEnd) {
  testarchive::Archive a = Numbered(2);
  Entry damaged = MakeEntry("cancel.h4r", "layers\\", std::string(400, 'q'), 3);
  std::string member = testarchive::GzipMember(damaged.data);
  member[member.size() - 5] ^= 0x11;  // CRC-32 of the trailer
  damaged.stored = member;
  a.entries.push_back(damaged);
  a.entries.push_back(MakeEntry("evil.txt", "..\\..\\", "outside"));
  Open(a, PathMode::Stored);
  const std::string out = folder / "deep\\out";
  Unpack(MainForm().ExtractAllButton, out);
  ASSERT_EQ(messages.size(), 1u);
  const std::string& text = messages[0];
  EXPECT_NE(text.find("Файлов с ошибками: 2 из 4."), std::string::npos) << text;
  EXPECT_NE(text.find("layers\\cancel.h4r: данные файла в архиве повреждены"), std::string::npos) << text;
  EXPECT_NE(text.find("..\\..\\evil.txt: путь файла ведёт за пределы выбранной папки"), std::string::npos) << text;
  EXPECT_FALSE(Content(folder / "evil.txt"));
  EXPECT_FALSE(Content(folder / "deep\\evil.txt"));
  EXPECT_TRUE(Content(out + "\\f1.txt"));

  messages.clear();
  List().SetRowState(-1, 0);
  List().SetRowState(0, kRowSelected);
  Unpack(MainForm().ExtractSelectedButton, out);
  EXPECT_TRUE(messages.empty());
}

TEST_F(CommandsTest, SelectionCommandsWriteWholeRowStatesAndRefreshTheCounter) {
  testarchive::Archive a;
  for (int i = 0; i < 1234; ++i) {
    a.entries.push_back(MakeEntry("e" + std::to_string(i) + ".txt", "", "x", i % 3 == 0 ? 3 : 1));
  }
  a.entries[5].data = "";
  a.entries[5].storedSize = 0;
  Open(a);
  EXPECT_EQ(Counter(), "0");

  Click(MainForm().SelectAllButton);
  EXPECT_EQ(statuses, std::vector<std::string>{"Выделяем все..."});
  EXPECT_EQ(status_shown, 1);
  EXPECT_FALSE(Opening().StatusForm->Visible());
  EXPECT_EQ(Counter(), "1234");
  EXPECT_EQ(List().GetRowState(5), static_cast<RowState>(kRowSelected));  // empty rows too

  List().SetRowState(-1, 0);
  List().SetRowState(1, kRowSelected);  // uncompressed, stays selected
  Click(MainForm().SelectCompressedButton);
  EXPECT_EQ(statuses.back(), "Выделяем только сжатые...");
  EXPECT_EQ(Counter(), "413");  // 412 compressed rows and row 1
  EXPECT_TRUE(List().GetRowState(1) & kRowSelected);
  EXPECT_TRUE(List().GetRowState(3) & kRowSelected);
  EXPECT_FALSE(List().GetRowState(4) & kRowSelected);

  List().SetRowState(-1, 0);
  List().SetRowState(7, kRowFocused | kRowSelected);
  List().SetRowState(8, kRowFocused | kRowCut);
  Click(MainForm().InvertSelectionButton);
  EXPECT_EQ(statuses.back(), "Инвертируем выделение...");
  EXPECT_EQ(Counter(), "1233");
  EXPECT_EQ(List().GetRowState(7), 0u);
  EXPECT_EQ(List().GetRowState(8), static_cast<RowState>(kRowSelected));  // focus and cut mark gone
  Click(MainForm().InvertSelectionButton);
  EXPECT_EQ(SelectedRows(), std::vector<int>{7});
  EXPECT_EQ(Counter(), "1");
}

TEST_F(CommandsTest, TheCounterFollowsLeftAndRightClicksButNotTheKeyboard) {
  Open(Numbered(6));
  ClickRow(2);
  EXPECT_EQ(Counter(), "1");  // the selection after the click, not before it
  ClickRow(4, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL);
  EXPECT_EQ(Counter(), "2");
  ClickRow(0, WM_RBUTTONDOWN, MK_RBUTTON);
  EXPECT_EQ(Counter(), std::to_string(SelectedRows().size()));

  ClickRow(2);
  EXPECT_EQ(Counter(), "1");
  BYTE keys[256];
  GetKeyboardState(keys);
  keys[VK_SHIFT] = 0x80;
  SetKeyboardState(keys);
  SendMessageW(List().Handle(), WM_KEYDOWN, VK_DOWN, 0);
  SendMessageW(List().Handle(), WM_KEYDOWN, VK_DOWN, 0);
  keys[VK_SHIFT] = 0;
  SetKeyboardState(keys);
  ProcessMessages();
  EXPECT_EQ(SelectedRows(), (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(Counter(), "1");
  ClickRow(3, WM_RBUTTONDOWN, MK_RBUTTON);  // on a selected row: the selection stays
  EXPECT_EQ(Counter(), std::to_string(SelectedRows().size()));
  EXPECT_NE(Counter(), "1");
  // A plain click on one of several selected rows leaves it alone selected;
  // the list may report the click before it drops the others.
  ClickRow(4);
  EXPECT_EQ(SelectedRows(), std::vector<int>{4});
  EXPECT_EQ(Counter(), "1");
}

TEST_F(CommandsTest, MasksMatchNamesPathsOrBothAndAccumulate) {
  testarchive::Archive a;
  a.entries.push_back(MakeEntry("layers.button.cancel.h4r", "", "1"));  // path layers\button\ .
  a.entries.push_back(MakeEntry("sound.click.wav", "", "2"));
  a.entries.push_back(MakeEntry("icons.BUTTON.ok.png", "", "3"));  // path icons\BUTTON\ .
  a.entries.push_back(MakeEntry("tables.\xCA\xCD\xCE\xCF\xCA\xC0.txt", "", "4"));  // "КНОПКА"
  a.entries.push_back(MakeEntry("tables.\xEA\xED\xEE\xEF\xEA\xE0.txt", "", "5"));  // "кнопка"
  Open(a);
  ASSERT_EQ(List().GetCellText(0, 1), "layers\\button\\");

  ApplyMask("button", true, false, false);
  EXPECT_TRUE(SelectedRows().empty());
  EXPECT_EQ(Counter(), "0");
  ApplyMask("button", true, true, false);
  EXPECT_EQ(SelectedRows(), std::vector<int>{0});
  EXPECT_EQ(Counter(), "1");
  List().SetRowState(-1, 0);
  ApplyMask("BUTTON", false, true, true);
  EXPECT_EQ(SelectedRows(), (std::vector<int>{0, 2}));
  List().SetRowState(-1, 0);
  ApplyMask("BUTTON", false, true, false);
  EXPECT_EQ(SelectedRows(), std::vector<int>{2});

  List().SetRowState(-1, 0);
  ApplyMask("кнопка", true, true, true);  // case is folded for a to z only
  EXPECT_EQ(SelectedRows(), std::vector<int>{4});
  ApplyMask("sound", false, true, true);  // a second mask adds to the first
  EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 4}));
  EXPECT_EQ(Counter(), "2");

  List().SetRowState(0, kRowFocused);
  ApplyMask("cancel", false, false, true);  // neither box: nothing, but counted
  EXPECT_EQ(SelectedRows(), (std::vector<int>{1, 4}));
  EXPECT_EQ(List().GetRowState(0), static_cast<RowState>(kRowFocused));
}

TEST_F(CommandsTest, MaskDialogCancelPutsTheTextBackAndSelectNeedsAMask) {
  Open(Numbered(3));
  MaskDialog& d = MaskForm();
  EXPECT_FALSE(d.Form->Visible());
  EXPECT_FALSE(d.SelectButton->Enabled());  // the first use starts empty
  EXPECT_EQ(GetMenuState(GetSystemMenu(d.Form->Handle(), FALSE), SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));

  MaskCommand([&] {
    EXPECT_TRUE(d.Form->Visible());
    EXPECT_FALSE(IsWindowEnabled(MainForm().Form->Handle()));
    SendMessageW(d.Form->Handle(), WM_CLOSE, 0, 0);  // Alt+F4 does not close it
    EXPECT_EQ(d.Form->ModalResult(), 0);
    EXPECT_FALSE(IsWindowEnabled(d.SelectButton->Handle()));
    d.MaskEdit->SetText("f1");
    EXPECT_TRUE(guitest::PumpUntil([&] { return d.SelectButton->Enabled(); }));
    d.MaskEdit->SetText("");
    EXPECT_TRUE(guitest::PumpUntil([&] { return !d.SelectButton->Enabled(); }));
    Click(d.CancelButton);
  });
  EXPECT_TRUE(IsWindowEnabled(MainForm().Form->Handle()));
  EXPECT_TRUE(SelectedRows().empty());

  ApplyMask("f1", true, false, true);
  EXPECT_EQ(SelectedRows(), std::vector<int>{1});
  MaskCommand([&] {
    EXPECT_EQ(d.MaskEdit->GetText(), "f1");  // the last mask is offered again
    d.MaskEdit->SetText("f2");
    Click(d.SearchPathBox);
    Click(d.CancelButton);
  });
  EXPECT_EQ(d.MaskEdit->GetText(), "f1");
  EXPECT_TRUE(d.SearchPathBox->GetChecked());  // check boxes keep what the user did
  EXPECT_EQ(SelectedRows(), std::vector<int>{1});
}

TEST_F(CommandsTest, AboutBoxShowsItsTextsHandsLinksToTheShellAndGivesInputBack) {
  std::vector<std::string> opened;
  auto previous = kol::detail::ReplaceShellOpen(
      [&](HWND owner, const std::string& address) {
        EXPECT_EQ(owner, AboutBox()->Handle());
        opened.push_back(address);
      });
  Widget* box = AboutBox();
  ASSERT_NE(box, nullptr);
  MainForm().Form->Hide();
  MainForm().Form->Show();
  EXPECT_EQ(AboutBox(), box);  // one box at a time
  EXPECT_FALSE(box->Visible());

  auto click_label = [](Widget* label) {
    PostMessageW(label->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    SendMessageW(label->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    ProcessMessages();
  };
  std::vector<std::string> texts;
  bool main_enabled = true, ok_usable = false;
  RECT placed{}, client{};
  guitest::Steps steps({[&] {
    for (size_t i = 0; i < box->ChildCount(); ++i) texts.push_back(box->Child(i).GetText());
    main_enabled = IsWindowEnabled(MainForm().Form->Handle());
    Widget& ok = box->Child(box->ChildCount() - 1);
    ok_usable = IsWindowEnabled(ok.Handle()) && IsWindowEnabled(box->Handle()) && IsWindowVisible(box->Handle());
    GetWindowRect(box->Handle(), &placed);
    GetClientRect(MainForm().Form->Handle(), &client);
    MapWindowPoints(MainForm().Form->Handle(), HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
    click_label(AboutEmailLabel());
    click_label(AboutWebLabel());
    PostMessageW(ok.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    SendMessageW(ok.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  }});
  SendMessageW(MainForm().Form->Handle(), WM_COMMAND, MAKEWPARAM(MainForm().MainMenu->CommandId(kMenuAbout), 0), 0);
  EXPECT_TRUE(steps.Done());
  kol::detail::ReplaceShellOpen(previous);

  ASSERT_EQ(texts.size(), 10u);
  EXPECT_EQ(texts[0], "Tarnwick v1.01");
  EXPECT_EQ(texts[1], "Дата:");
  EXPECT_EQ(texts[3], "Автор:");
  EXPECT_EQ(texts[5], "E-mail:");
  EXPECT_EQ(texts[7], "Web:");
  EXPECT_EQ(texts[9], "Ok");
  EXPECT_EQ(opened, (std::vector<std::string>{"mailto:" + texts[6], texts[8]}));
  EXPECT_NE(texts[6].find('@'), std::string::npos);
  EXPECT_EQ(texts[8].rfind("https://", 0), 0u);
  EXPECT_FALSE(main_enabled);
  EXPECT_TRUE(ok_usable);
  EXPECT_GE(placed.left, client.left);
  EXPECT_GE(placed.top, client.top);
  EXPECT_LE(placed.right, client.right);
  EXPECT_LE(placed.bottom, client.bottom);
  EXPECT_FALSE(box->Visible());
  EXPECT_TRUE(IsWindowEnabled(MainForm().Form->Handle()));
  EXPECT_EQ(GetClassLongPtrW(box->Handle(), GCL_STYLE) & CS_NOCLOSE, static_cast<ULONG_PTR>(CS_NOCLOSE));
  EXPECT_FALSE(GetWindowLongPtrW(box->Handle(), GWL_STYLE) & WS_CAPTION);
}

TEST_F(CommandsTest, TheRealFolderDialogOpensOnTheLastFolderAndUnpacksThere) {
  testarchive::Archive a = Numbered(3);
  a.entries.push_back(MakeEntry("layers.button.cancel.h4r", "", std::string(2000, 'c'), 3));
  Open(a);
  MainUnit().LastUnpackFolder = folder.Path();
  {
    // The folder tree fills itself and selects the initial folder first.
    guitest::DialogDriver driver([](HWND d) { PostMessageW(d, WM_COMMAND, IDCANCEL, 0); }, 500);
    Click(MainForm().ExtractAllButton);
    EXPECT_TRUE(driver.Found());
  }
  EXPECT_EQ(status_shown, 0);
  EXPECT_EQ(MainUnit().LastUnpackFolder, folder.Path());
  {
    guitest::DialogDriver driver([](HWND d) { PostMessageW(d, WM_COMMAND, IDOK, 0); }, 500);
    Click(MainForm().ExtractAllButton);
    EXPECT_TRUE(driver.Found());
  }
  EXPECT_EQ(MainUnit().LastUnpackFolder, folder.Path());
  EXPECT_EQ(Content(folder / "f2.txt"), "data 2");
  EXPECT_EQ(Content(folder / "layers\\button\\cancel.h4r"), std::string(2000, 'c'));
  EXPECT_EQ(statuses.size(), 4u);
  EXPECT_TRUE(messages.empty());
}
