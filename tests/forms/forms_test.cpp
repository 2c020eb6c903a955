// The program's windows as start-up builds them, and opening archives through
// the main menu with the open dialog scripted and the path dialog clicked.
#include <gtest/gtest.h>

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "forms/colors.h"
#include "forms/main_window.h"
#include "forms/status_window.h"
#include "forms/user_message.h"
#include "forms/path_mode_dialog.h"
#include "kol/widgets/controls.h"
#include "kol/file_backend.h"
#include "kol/widgets/font_object.h"
#include "kol/widgets/message_loop.h"
#include "kol/wide_text.h"
#include "tests/kol/widgets/gui_test_support.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

using namespace kol;
using kol::fs::CurrentDirectory;
using archive::PathMode;
using forms::AskPathMode;
using forms::CreateProgramWindows;
using forms::HideStatus;
using forms::MainForm;
using forms::MainUnit;
using forms::MainWindow;
using forms::Opening;
using forms::OpeningWindow;
using forms::PathModeDialog;
using forms::PathModeForm;
using forms::ShowStatus;
using forms::kMenuExit;
using forms::kMenuOpenArchive;
using forms::kNavy;
using testarchive::Entry;

using testarchive::MakeEntry;
namespace {

std::string TextOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return Utf8FromWide(text);
}

std::string MenuText(HMENU menu, UINT position) {
  wchar_t text[128] = {};
  GetMenuStringW(menu, position, text, 128, MF_BYPOSITION);
  return Utf8FromWide(text);
}

std::pair<std::string, int> Column(HWND list, int index) {
  wchar_t text[64] = {};
  LVCOLUMNW column{};
  column.mask = LVCF_TEXT | LVCF_WIDTH;
  column.pszText = text;
  column.cchTextMax = 64;
  SendMessageW(list, LVM_GETCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
  return {Utf8FromWide(text), column.cx};
}


// An entry with no stored bytes that still claims an unpacked size.
Entry EmptyEntry(const std::string& name, const std::string& path, int32_t size,
                 uint32_t compression = 1) {
  Entry e = MakeEntry(name, path, "", compression);
  e.storedSize = 0;
  e.size = size;
  return e;
}

class FormsTest : public ::testing::Test {
 protected:
  std::unique_ptr<Widget> app = CreateApplicationWindow("tarnwick");
  testarchive::TempFolder folder;
  // The texts the status label was given, each with whether it was painted
  // while the status window was visible before the next one came.
  std::vector<std::pair<std::string, bool>> statuses;
  std::vector<std::string> messages;
  forms::detail::UserMessageFunction previous_message;

  void SetUp() override {
    CreateProgramWindows(*app);
    Opening().StatusLabel->AttachHandler(
        [this](Widget&, UINT message, WPARAM, LPARAM lparam, LRESULT&) {
          if (message == WM_SETTEXT) {
            statuses.emplace_back(Utf8FromWide(reinterpret_cast<const wchar_t*>(lparam)), false);
          } else if (message == WM_PAINT && !statuses.empty() &&
                     IsWindowVisible(Opening().StatusForm->Handle())) {
            statuses.back().second = true;
          }
          return false;
        });
    previous_message = forms::detail::ReplaceUserMessage(
        [this](const std::string& text) { messages.push_back(text); });
  }
  void TearDown() override { forms::detail::ReplaceUserMessage(previous_message); }

  std::string Write(const std::string& name, const testarchive::Archive& archive) {
    const std::string file = folder / name;
    EXPECT_TRUE(testarchive::WriteFileBytes(file, testarchive::Build(archive)));
    return file;
  }

  void ChooseInPathDialog(std::optional<PathMode> mode) {
    if (!mode) return;
    Widget* radio = *mode == PathMode::Stored ? PathModeForm().StoredPathsRadio
                                              : PathModeForm().FromNamesRadio;
    SendMessageW(radio->Handle(), BM_CLICK, 0, 0);
  }

  // "Открыть архив..." from the menu, the open dialog answering `file` (or
  // cancelling), and the path dialog getting `mode` (or left as it is) and
  // "Готово". `in_dialog` runs while the path dialog is shown, before the choice.
  void OpenThroughMenu(std::optional<std::string> file, std::optional<PathMode> mode,
                       std::function<void()> in_dialog = [] {}) {
    statuses.clear();
    OpenFileDialog::ScriptAnswer([file](const OpenFileDialog&) { return file; });
    bool dialog_was_shown = false;
    guitest::Steps steps({[&] {
                            dialog_was_shown = IsWindowVisible(PathModeForm().Form->Handle());
                            in_dialog();
                            ChooseInPathDialog(mode);
                          },
                          [&] { SendMessageW(PathModeForm().DoneButton->Handle(), BM_CLICK, 0, 0); }});
    SendMessageW(MainForm().Form->Handle(), WM_COMMAND,
                 MAKEWPARAM(MainForm().MainMenu->CommandId(kMenuOpenArchive), 0), 0);
    EXPECT_EQ(OpenFileDialog::ScriptedAnswersLeft(), 0u);
    EXPECT_EQ(steps.Done(), file.has_value());
    EXPECT_EQ(dialog_was_shown, file.has_value());
    EXPECT_FALSE(IsWindowVisible(PathModeForm().Form->Handle()));
    EXPECT_FALSE(IsWindowVisible(Opening().StatusForm->Handle()));
  }

  std::vector<std::string> Row(int row) {
    std::vector<std::string> cells;
    for (int c = 0; c < 4; ++c) cells.push_back(MainForm().FileList->GetCellText(row, c));
    return cells;
  }

  std::vector<std::string> Panel() {
    const MainWindow& m = MainForm();
    return {m.ArchiveNameEdit->GetText(), m.TotalFilesValue->GetText(),
            m.CompressedValue->GetText(), m.EmptyValue->GetText(), m.TotalSizeValue->GetText()};
  }

  std::vector<Widget*> ActionButtons() {
    const MainWindow& m = MainForm();
    return {m.SelectAllButton,       m.SelectCompressedButton, m.InvertSelectionButton,
            m.ExtractSelectedButton, m.ExtractAllButton,       m.SelectByMaskButton};
  }

  std::vector<std::string> StatusTexts() {
    std::vector<std::string> texts;
    for (const auto& s : statuses) texts.push_back(s.first);
    return texts;
  }
};

const std::vector<std::string> kFromNamesSteps = {"Очищаем список...", "Загружаем архив...",
                                                  "Переформировываем пути...",
                                                  "Формируем список..."};
const std::vector<std::string> kStoredSteps = {"Очищаем список...", "Загружаем архив...",
                                               "Формируем список..."};

// A small archive with one entry of each kind worth showing.
testarchive::Archive Mixed() {
  testarchive::Archive a;
  a.entries.push_back(
      MakeEntry("layers.button.cancel.h4r", "C:\\Heroes 4\\Assets", std::string(123456, 'x'), 3));
  // "кнопка.bmp" in code page 1251.
  a.entries.push_back(MakeEntry("\xEA\xED\xEE\xEF\xEA\xE0.bmp", "data", "plain"));
  a.entries.push_back(MakeEntry("nocode.txt", "p", "abc", 0));
  a.entries.push_back(MakeEntry("odd.txt", "p", "abcd", 2));
  // Empty, yet claiming an unpacked size: counted as empty, its size still added.
  a.entries.push_back(EmptyEntry("empty.txt", "gone", 1000));
  return a;
}

}  // namespace

TEST_F(FormsTest, StartUpBuildsTheMainWindowInItsFirstState) {
  MainWindow& m = MainForm();
  HWND form = m.Form->Handle();
  ASSERT_TRUE(form);
  EXPECT_EQ(TextOf(app->GetWindowHandle()), "tarnwick");
  EXPECT_EQ(TextOf(form), "Tarnwick v1.01 (Heroes of Might & Magic IV)");
  RECT r;
  GetWindowRect(form, &r);
  EXPECT_EQ(r.right - r.left, 765);
  EXPECT_EQ(r.bottom - r.top, 388);
  EXPECT_EQ(r.left, FloorDiv(GetSystemMetrics(SM_CXSCREEN) - 765, 2));
  EXPECT_EQ(r.top, FloorDiv(GetSystemMetrics(SM_CYSCREEN) - 388, 2));
  const LONG style = GetWindowLongW(form, GWL_STYLE);
  EXPECT_TRUE(style & WS_THICKFRAME);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_TRUE(style & WS_MAXIMIZEBOX);

  // The four windows, in order, all under the application window, only the main one shown.
  // Main window, status window, select-by-mask dialog, path dialog.
  ASSERT_EQ(app->ChildCount(), 4u);
  EXPECT_EQ(&app->Child(0), m.Form);
  EXPECT_EQ(&app->Child(1), Opening().StatusForm);
  EXPECT_EQ(&app->Child(3), PathModeForm().Form);
  EXPECT_TRUE(IsWindowVisible(form));
  EXPECT_FALSE(IsWindowVisible(Opening().StatusForm->GetWindowHandle()));
  EXPECT_FALSE(IsWindowVisible(PathModeForm().Form->GetWindowHandle()));

  HMENU bar = GetMenu(form);
  ASSERT_TRUE(bar);
  EXPECT_EQ(GetMenuItemCount(bar), 2);
  EXPECT_EQ(MenuText(bar, 0), "Файл");
  EXPECT_EQ(MenuText(bar, 1), "О Программе...");
  HMENU file = GetSubMenu(bar, 0);
  EXPECT_EQ(GetMenuItemCount(file), 3);
  EXPECT_EQ(MenuText(file, 0), "Открыть архив...");
  EXPECT_TRUE(GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR);
  EXPECT_EQ(MenuText(file, 2), "Выход");

  const std::vector<std::pair<std::string, int>> columns = {
      {"Имя файла", 160}, {"Путь", 160}, {"Размер", 70}, {"Сжатый", 54}};
  ASSERT_EQ(m.FileList->ColumnCount(), 4);
  for (int c = 0; c < 4; ++c) EXPECT_EQ(Column(m.FileList->Handle(), c), columns[c]);
  EXPECT_EQ(m.FileList->RowCount(), 0);
  const LONG list_style = GetWindowLongW(m.FileList->Handle(), GWL_STYLE);
  EXPECT_EQ(list_style & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_TRUE(list_style & LVS_SHOWSELALWAYS);
  EXPECT_FALSE(list_style & LVS_SINGLESEL);
  EXPECT_TRUE(SendMessageW(m.FileList->Handle(), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) &
              LVS_EX_FULLROWSELECT);
  // The list is the first tab stop: it gets the focus when the window is activated.
  EXPECT_EQ(m.Form->FocusControl(), m.FileList);

  // Texts, places and first states of the side panel's controls, in creation order.
  struct Expected {
    Widget* widget;
    std::string text;
    RECT bounds;
  };
  const std::vector<Expected> controls = {
      {m.ActionsGroup, " Действия ", {2, 120, 185, 337}},
      {m.SelectedCountValue, "0", {72, 112, 177, 129}},
      {m.SelectAllButton, "Выделить все", {8, 16, 177, 38}},
      {m.SelectCompressedButton, "Выделить только сжатые", {8, 40, 177, 62}},
      {m.SkipEmptyCheck, "Игнорировать пустые файлы", {8, 131, 177, 153}},
      {m.InvertSelectionButton, "Инвертировать выделение", {8, 64, 177, 86}},
      {m.ExtractSelectedButton, "Распаковать выделенное в...", {8, 160, 177, 182}},
      {m.ExtractAllButton, "Распаковать все в...", {8, 184, 177, 206}},
      {m.SelectByMaskButton, "Выделение по маске...", {8, 88, 177, 110}},
      {m.ArchiveGroup, " Текущий архив ", {2, 0, 185, 115}},
      {m.TotalSizeValue, "0", {96, 96, 160, 113}},
      {m.TotalFilesValue, "0", {96, 48, 160, 65}},
      {m.CompressedValue, "0", {96, 64, 160, 81}},
      {m.EmptyValue, "0", {96, 80, 160, 97}},
      {m.ArchiveNameEdit, "<не открыт>", {48, 24, 177, 46}},
  };
  for (const Expected& e : controls) {
    SCOPED_TRACE(e.text);
    EXPECT_EQ(TextOf(e.widget->Handle()), e.text);
    const RECT b = guitest::RectInParent(e.widget->Handle());
    EXPECT_EQ(b.left, e.bounds.left);
    EXPECT_EQ(b.top, e.bounds.top);
    EXPECT_EQ(b.right, e.bounds.right);
    EXPECT_EQ(b.bottom, e.bounds.bottom);
    EXPECT_EQ(e.widget->GetFont().Height(), -11);
  }
  for (Widget* b : ActionButtons()) EXPECT_FALSE(IsWindowEnabled(b->Handle()));
  EXPECT_TRUE(IsWindowEnabled(m.SkipEmptyCheck->Handle()));
  EXPECT_EQ(SendMessageW(m.SkipEmptyCheck->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageW(m.SkipEmptyCheck->Handle(), BM_CLICK, 0, 0);
  EXPECT_EQ(SendMessageW(m.SkipEmptyCheck->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  for (Widget* v : std::vector<Widget*>{m.SelectedCountValue, m.TotalSizeValue, m.TotalFilesValue,
                                        m.CompressedValue, m.EmptyValue, m.ArchiveNameEdit}) {
    EXPECT_EQ(v->GetTextColor(), kNavy);
  }
  EXPECT_TRUE(GetWindowLongW(m.ArchiveNameEdit->Handle(), GWL_STYLE) & ES_READONLY);
  EXPECT_EQ(m.ArchiveNameEdit->GetColor(), kButtonFaceColor);

  EXPECT_EQ(m.ArchiveDialog->Filter, "HOM&M IV Archives (*.h4r)|*.h4r");
  EXPECT_EQ(m.ArchiveDialog->DefaultExtension, "h4r");
  EXPECT_EQ(m.ArchiveDialog->OwnerWindow, form);
  EXPECT_EQ(m.UnpackFolderDialog->Title, "Укажите путь для распаковки");
  EXPECT_TRUE(m.UnpackFolderDialog->CenterOnScreen);
  EXPECT_EQ(m.UnpackFolderDialog->OwnerWindow, form);
  EXPECT_EQ(MainUnit().LastArchiveFolder, CurrentDirectory());
  EXPECT_EQ(MainUnit().LastUnpackFolder, CurrentDirectory());
}

TEST_F(FormsTest, TheListGrowsWithTheWindowAndThePanelKeepsToTheRightEdge) {
  MainWindow& m = MainForm();
  auto check = [&] {
    const int cw = m.Form->ClientWidth();
    const int ch = m.Form->ClientHeight();
    const RECT p = guitest::RectInParent(m.SidePanel->Handle());
    EXPECT_EQ(p.right, cw - 2);
    EXPECT_EQ(p.right - p.left, 189);
    EXPECT_EQ(p.bottom, ch - 2);
    const RECT l = guitest::RectInParent(m.FileList->Handle());
    EXPECT_EQ(l.left, 2);
    EXPECT_EQ(l.top, 2);
    EXPECT_EQ(l.bottom, ch - 2);
    EXPECT_EQ(l.right, p.left - 4);
  };
  check();
  const int list_width = m.FileList->Width();
  SetWindowPos(m.Form->Handle(), nullptr, 0, 0, 965, 500, SWP_NOMOVE | SWP_NOZORDER);
  check();
  EXPECT_EQ(m.FileList->Width(), list_width + 200);
  SetWindowPos(m.Form->Handle(), nullptr, 0, 0, 600, 300, SWP_NOMOVE | SWP_NOZORDER);
  check();
  EXPECT_EQ(guitest::RectInParent(m.ActionsGroup->Handle()).top, 120);
}

TEST_F(FormsTest, StatusWindowIsCaptionLessCentredAndCannotBeClosed) {
  OpeningWindow& o = Opening();
  HWND window = o.StatusForm->Handle();
  RECT r;
  GetWindowRect(window, &r);
  EXPECT_EQ(r.right - r.left, 320);
  EXPECT_EQ(r.bottom - r.top, 66);
  EXPECT_EQ(r.left, FloorDiv(GetSystemMetrics(SM_CXSCREEN) - 320, 2));
  EXPECT_EQ(r.top, FloorDiv(GetSystemMetrics(SM_CYSCREEN) - 66, 2));
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_FALSE((style & WS_CAPTION) == WS_CAPTION);
  EXPECT_FALSE(style & WS_SYSMENU);
  EXPECT_EQ(TextOf(o.StatusLabel->Handle()), "Открываем архив...");
  EXPECT_EQ(o.StatusLabel->GetFont().FaceName(), "Arial");
  EXPECT_EQ(o.StatusLabel->GetFont().Height(), -16);
  EXPECT_TRUE(o.StatusLabel->GetFont().Style() & kBold);
  const LONG label_style = GetWindowLongW(o.StatusLabel->Handle(), GWL_STYLE);
  EXPECT_EQ(label_style & SS_TYPEMASK, SS_CENTER);
  EXPECT_TRUE(label_style & SS_CENTERIMAGE);
  RECT client;
  GetClientRect(window, &client);
  const RECT l = guitest::RectInParent(o.StatusLabel->Handle());
  EXPECT_EQ(l.right - l.left, client.right - 4);

  // Close requests are refused while the program runs: Alt+F4 leaves it up.
  std::vector<bool> seen;
  guitest::Steps steps({
      [&] {
        ShowStatus("Загружаем архив...");
        seen.push_back(IsWindowVisible(window) != 0);
        seen.push_back(TextOf(o.StatusLabel->Handle()) == "Загружаем архив...");
        SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
        SendMessageW(window, WM_CLOSE, 0, 0);
      },
      [&] {
        seen.push_back(IsWindow(window) && IsWindowVisible(window));
        HideStatus();
        seen.push_back(!IsWindowVisible(window));
        PostMessageW(MainForm().Form->Handle(), WM_CLOSE, 0, 0);
      },
  });
  RunApplication(app);
  EXPECT_TRUE(steps.Done());
  EXPECT_EQ(seen, std::vector<bool>(4, true));
}

TEST_F(FormsTest, OpeningFillsTheRowsTheCountsAndThePanelStepByStep) {
  const std::string file = Write("mixed.h4r", Mixed());
  MainForm().SelectedCountValue->SetText("3");
  std::string initial_dir;
  OpenFileDialog::ScriptAnswer([&](const OpenFileDialog& d) -> std::optional<std::string> {
    initial_dir = d.InitialDir;
    return file;
  });
  guitest::Steps steps({[] { SendMessageW(PathModeForm().DoneButton->Handle(), BM_CLICK, 0, 0); }});
  SendMessageW(MainForm().Form->Handle(), WM_COMMAND,
               MAKEWPARAM(MainForm().MainMenu->CommandId(kMenuOpenArchive), 0), 0);
  ASSERT_TRUE(steps.Done());
  EXPECT_EQ(initial_dir, CurrentDirectory());

  // Each step's text was painted while the window was up, in this order.
  EXPECT_EQ(StatusTexts(), kFromNamesSteps);
  for (const auto& s : statuses) EXPECT_TRUE(s.second) << s.first;
  EXPECT_FALSE(IsWindowVisible(Opening().StatusForm->Handle()));

  ListView& list = *MainForm().FileList;
  ASSERT_EQ(list.RowCount(), 5);
  EXPECT_EQ(Row(0), (std::vector<std::string>{"cancel.h4r", "layers\\button\\", "123456", "Да"}));
  EXPECT_EQ(Row(1), (std::vector<std::string>{"кнопка.bmp", "", "5", "Нет"}));
  EXPECT_EQ(Row(2), (std::vector<std::string>{"nocode.txt", "", "3", "N/A"}));
  EXPECT_EQ(Row(3), (std::vector<std::string>{"odd.txt", "", "4", "ERROR"}));
  EXPECT_EQ(Row(4), (std::vector<std::string>{"empty.txt", "", "1000", "Нет"}));
  EXPECT_EQ(Panel(), (std::vector<std::string>{file, "5", "1", "1", "124,468"}));
  EXPECT_EQ(MainUnit().ArchiveFileName, file);
  EXPECT_EQ(MainUnit().Entries.size(), 5u);
  EXPECT_EQ(MainForm().SelectedCountValue->GetText(), "0");
  for (Widget* b : ActionButtons()) EXPECT_TRUE(IsWindowEnabled(b->Handle()));
  EXPECT_TRUE(messages.empty());
}

TEST_F(FormsTest, LargeCountsAreGroupedSizesAreNotAndTotalsPast2GiBAreTrue) {
  testarchive::Archive a;
  for (int i = 0; i < 1200; ++i) {
    a.entries.push_back(
        EmptyEntry("f" + std::to_string(i) + ".txt", "dir", 0x7FFFFFFF, i % 2 ? 3u : 1u));
  }
  a.entries[0].size = 1234567;
  const std::string file = Write("big.h4r", a);
  OpenThroughMenu(file, PathMode::Stored);
  EXPECT_EQ(StatusTexts(), kStoredSteps);
  ASSERT_EQ(MainForm().FileList->RowCount(), 1200);
  EXPECT_EQ(Row(0), (std::vector<std::string>{"f0.txt", "", "1234567", "Нет"}));
  EXPECT_EQ(Row(1199), (std::vector<std::string>{"f1199.txt", "", "2147483647", "Да"}));
  // 1,199 × (2^31 − 1) + 1,234,567.
  EXPECT_EQ(Panel(), (std::vector<std::string>{file, "1,200", "600", "1,200",
                                               "2,574,834,127,320"}));
}

TEST_F(FormsTest, ASecondOpeningReplacesEverythingAndThePathDialogKeepsItsChoice) {
  const std::string first = Write("first.h4r", Mixed());
  testarchive::Archive b;
  b.entries.push_back(MakeEntry("a.b.c.txt", "stored\\path", "12"));
  const std::string second = Write("second.h4r", b);

  OpenThroughMenu(first, std::nullopt);
  ASSERT_EQ(MainForm().FileList->RowCount(), 5);

  // The dialog offers the recommended choice with its texts.
  PathModeDialog& d = PathModeForm();
  bool from_names_offered = false;
  OpenThroughMenu(second, PathMode::Stored, [&] {
    from_names_offered = d.FromNamesRadio->GetChecked() && !d.StoredPathsRadio->GetChecked() &&
                         d.ResultPathBox->GetText() == "layers\\button\\cancel.h4r";
  });
  EXPECT_TRUE(from_names_offered);
  EXPECT_EQ(StatusTexts(), kStoredSteps);
  ASSERT_EQ(MainForm().FileList->RowCount(), 1);
  EXPECT_EQ(Row(0), (std::vector<std::string>{"a.b.c.txt", "stored\\path", "2", "Нет"}));
  EXPECT_EQ(Panel(), (std::vector<std::string>{second, "1", "0", "0", "2"}));

  // Next time the stored choice is still checked, with its texts, and is used.
  bool stored_kept = false;
  OpenThroughMenu(first, std::nullopt, [&] {
    stored_kept = d.StoredPathsRadio->GetChecked() && !d.FromNamesRadio->GetChecked() &&
                  d.ResultPathBox->GetText() ==
                      "C_\\Heroes 4\\Assets\\layers\\button\\layers.button.cancel.h4r" &&
                  d.DescriptionBox->GetText().starts_with(
                      "При распаковке будут использоваться стандартные\r\nзначения путей");
  });
  EXPECT_TRUE(stored_kept);
  EXPECT_EQ(StatusTexts(), kStoredSteps);
  ASSERT_EQ(MainForm().FileList->RowCount(), 5);
  EXPECT_EQ(Row(0), (std::vector<std::string>{"layers.button.cancel.h4r", "C:\\Heroes 4\\Assets",
                                              "123456", "Да"}));
  EXPECT_EQ(Panel(), (std::vector<std::string>{first, "5", "1", "1", "124,468"}));
}

TEST_F(FormsTest, ACancelledOpenChangesNothing) {
  const std::string file = Write("kept.h4r", Mixed());
  OpenThroughMenu(file, PathMode::FromNames);
  const std::vector<std::string> panel = Panel();
  MainForm().FileList->SetRowState(2, kRowSelected);
  MainForm().SelectedCountValue->SetText("1");

  OpenThroughMenu(std::nullopt, std::nullopt);
  EXPECT_TRUE(statuses.empty());
  EXPECT_EQ(Panel(), panel);
  EXPECT_EQ(MainUnit().ArchiveFileName, file);
  EXPECT_EQ(MainUnit().Entries.size(), 5u);
  ASSERT_EQ(MainForm().FileList->RowCount(), 5);
  EXPECT_EQ(Row(0)[0], "cancel.h4r");
  EXPECT_EQ(MainForm().FileList->NextSelectedRow(-1), 2);
  EXPECT_EQ(MainForm().SelectedCountValue->GetText(), "1");
  EXPECT_TRUE(messages.empty());
}

TEST_F(FormsTest, PathDialogTextsFollowTheChoiceFromMouseAndKeyboard) {
  PathModeDialog& d = PathModeForm();
  HWND form = d.Form->Handle();
  RECT r;
  GetWindowRect(form, &r);
  EXPECT_EQ(r.left, 192);
  EXPECT_EQ(r.top, 114);
  EXPECT_EQ(r.right - r.left, 351);
  EXPECT_EQ(r.bottom - r.top, 329);
  EXPECT_EQ(TextOf(form), "Выберите тип формарования пути");
  const LONG style = GetWindowLongW(form, GWL_STYLE);
  EXPECT_FALSE(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_EQ(GetMenuState(GetSystemMenu(form, FALSE), SC_CLOSE, MF_BYCOMMAND), static_cast<UINT>(-1));
  EXPECT_EQ(TextOf(d.FromNamesRadio->Handle()), "Сформировывать пути из имен файлов (рекомендуется)");
  EXPECT_EQ(TextOf(d.StoredPathsRadio->Handle()), "Использовать стандартные значения пути для файлов");
  EXPECT_EQ(TextOf(d.DoneButton->Handle()), "Готово");

  const std::string from_names_description =
      "При распаковке значения пути будут формироваться из имени файла, путем установки "
      "разделителей. Рекомендую использовать именно этот вариант.";
  auto shows = [&](bool stored) {
    const std::string result = TextOf(d.ResultPathBox->Handle());
    const std::string description = TextOf(d.DescriptionBox->Handle());
    const bool texts = stored ? result == "C_\\Heroes 4\\Assets\\layers\\button\\layers.button.cancel.h4r" &&
                                    description.starts_with("При распаковке будут использоваться")
                              : result == "layers\\button\\cancel.h4r" &&
                                    description == from_names_description;
    return texts && d.StoredPathsRadio->GetChecked() == stored &&
           d.FromNamesRadio->GetChecked() == !stored;
  };
  EXPECT_TRUE(shows(false));

  std::vector<bool> seen;
  guitest::Steps steps({
      [&] {
        // The keyboard: the focus on the second button, then the space bar.
        SetFocus(d.StoredPathsRadio->Handle());
        SendMessageW(d.StoredPathsRadio->Handle(), WM_KEYDOWN, VK_SPACE, 0);
        SendMessageW(d.StoredPathsRadio->Handle(), WM_KEYUP, VK_SPACE, 0xC0000001);
        seen.push_back(shows(true));
      },
      [&] {
        SendMessageW(d.FromNamesRadio->Handle(), BM_CLICK, 0, 0);
        seen.push_back(shows(false));
        SendMessageW(d.FromNamesRadio->Handle(), BM_CLICK, 0, 0);
        seen.push_back(shows(false));
        SendMessageW(d.StoredPathsRadio->Handle(), BM_CLICK, 0, 0);
        seen.push_back(shows(true));
      },
      [&] { SendMessageW(d.DoneButton->Handle(), BM_CLICK, 0, 0); },
  });
  EXPECT_EQ(AskPathMode(), PathMode::Stored);
  EXPECT_TRUE(steps.Done());
  EXPECT_EQ(seen, std::vector<bool>(4, true));
  EXPECT_FALSE(IsWindowVisible(form));
  EXPECT_TRUE(shows(true));
}

TEST_F(FormsTest, AnArchiveCutShortIsListedAndReportedOnce) {
  testarchive::Archive a = Mixed();
  a.count = 7;  // two entries more than the directory holds
  const std::string file = Write("cut.h4r", a);
  OpenThroughMenu(file, PathMode::Stored);
  EXPECT_EQ(MainForm().FileList->RowCount(), 5);
  EXPECT_EQ(Panel()[1], "5");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(file), std::string::npos);
  EXPECT_NE(messages[0].find("повреждён"), std::string::npos);
  EXPECT_NE(messages[0].find("5 из 7"), std::string::npos) << messages[0];

  // A good archive afterwards says nothing.
  messages.clear();
  OpenThroughMenu(Write("good.h4r", Mixed()), std::nullopt);
  EXPECT_TRUE(messages.empty());

  // A file that is not there: named in the message, nothing listed.
  const std::string missing = folder / "missing.h4r";
  OpenThroughMenu(missing, std::nullopt);
  EXPECT_EQ(MainForm().FileList->RowCount(), 0);
  EXPECT_EQ(Panel(), (std::vector<std::string>{missing, "0", "0", "0", "0"}));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(missing), std::string::npos);
  EXPECT_NE(messages[0].find("Не удалось открыть"), std::string::npos);
}

TEST_F(FormsTest, ExitEndsTheProgramAsTheCloseButtonDoes) {
  PostMessageW(MainForm().Form->Handle(), WM_COMMAND,
               MAKEWPARAM(MainForm().MainMenu->CommandId(kMenuExit), 0), 0);
  RunApplication(app);  // returns once the main window is closed
  EXPECT_EQ(app, nullptr);
}
