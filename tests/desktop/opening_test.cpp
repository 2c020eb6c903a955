// Archives that reach the program from outside: named on the command line
// (the start-up runs as WinMain runs it) and dropped on the main window.
#include <gtest/gtest.h>

#include <windows.h>
// after windows.h
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "forms/main_window.h"
#include "forms/path_mode_dialog.h"
#include "forms/user_message.h"
#include "kol/wide_text.h"
#include "kol/widgets/controls.h"
#include "kol/widgets/message_loop.h"
#include "kol/widgets/timer.h"
#include "tests/desktop/pump.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

using forms::MainForm;
using forms::PathModeForm;

namespace {

// What the main window showed once the opening was over.
struct Shown {
  std::vector<std::string> names;  // column "Имя файла", row by row
  std::string archive;             // the panel's "Архив:"
  std::string total;               // the panel's "Всего файлов:"
  int path_dialogs = 0;            // times the path dialog was answered
  std::vector<std::string> messages;
};

// Answers the path dialog with "Готово" whenever it is up, in whatever loop runs.
class PathDialogAnswerer {
 public:
  explicit PathDialogAnswerer(Shown& shown) {
    timer_.OnTimer = [&shown](kol::Timer&) {
      HWND dialog = PathModeForm().Form->Handle();
      // Once clicked, it stays up until its loop sees the result.
      if (!dialog || !IsWindowVisible(dialog) || PathModeForm().Form->ModalResult() != 0) return;
      ++shown.path_dialogs;
      SendMessageW(PathModeForm().DoneButton->Handle(), BM_CLICK, 0, 0);
    };
    timer_.SetEnabled(true);
  }

 private:
  kol::Timer timer_{15};
};

void Record(Shown& shown) {
  forms::MainWindow& m = MainForm();
  shown.names.clear();
  for (int row = 0; row < m.FileList->RowCount(); ++row) {
    shown.names.push_back(m.FileList->GetCellText(row, 0));
  }
  shown.archive = m.ArchiveNameEdit->GetText();
  shown.total = m.TotalFilesValue->GetText();
}

// As Explorer hands files over: DROPFILES with wide names, each ended by a
// zero, the list by one more.
HGLOBAL MakeDrop(const std::vector<std::string>& names) {
  std::wstring list;
  for (const std::string& name : names) list += kol::WideFromUtf8(name) + L'\0';
  list += L'\0';
  const size_t bytes = sizeof(DROPFILES) + list.size() * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GHND, bytes);
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  std::memcpy(reinterpret_cast<char*>(header) + sizeof(DROPFILES), list.data(),
              list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return memory;
}

class OpeningTest : public ::testing::Test {
 protected:
  testarchive::TempFolder folder;
  Shown shown;
  forms::detail::UserMessageFunction previous_message;
  std::string first, second, folder_name, text_file;

  void SetUp() override {
    previous_message = forms::detail::ReplaceUserMessage(
        [this](const std::string& text) { shown.messages.push_back(text); });
    testarchive::Archive one, two;
    one.entries = {testarchive::MakeEntry("a.button.ok.h4r", "C:\\x", "ok"),
                   testarchive::MakeEntry("b.h4r", "C:\\y", "bb", 0)};
    two.entries = {testarchive::MakeEntry("c.h4r", "C:\\z", "c")};
    first = folder / "first.H4R";
    second = folder / "second.h4r";
    ASSERT_TRUE(testarchive::WriteFileBytes(first, testarchive::Build(one)));
    ASSERT_TRUE(testarchive::WriteFileBytes(second, testarchive::Build(two)));
    text_file = folder / "notes.txt";
    ASSERT_TRUE(testarchive::WriteFileBytes(text_file, testarchive::Build(two)));
    folder_name = folder / "sub.h4r";
    ASSERT_TRUE(CreateDirectoryW(kol::WideFromUtf8(folder_name).c_str(), nullptr));
  }
  void TearDown() override { forms::detail::ReplaceUserMessage(previous_message); }
};

TEST_F(OpeningTest, ArchiveNamedOnTheCommandLineIsOpenedAtStartUp) {
  const std::string missing = folder / "gone.h4r";
  struct Case {
    std::vector<std::string> arguments;
    std::vector<std::string> names;
    std::string archive;
    int path_dialogs;
    std::string message_start;
  };
  const std::vector<Case> cases = {
      {{}, {}, "<не открыт>", 0, ""},
      // Relative to the folder the program starts in; the panel shows it whole.
      {{"first.H4R", "second.h4r"}, {"ok.h4r", "b.h4r"}, first, 1, ""},
      {{missing}, {}, missing, 1, "Не удалось открыть архив:\r\n" + missing},
  };
  wchar_t previous_directory[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, previous_directory);
  SetCurrentDirectoryW(kol::WideFromUtf8(folder.Path()).c_str());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.arguments.empty() ? "(none)" : c.arguments.front());
    shown = {};
    PathDialogAnswerer answerer(shown);
    // The loop runs until the main window is closed: it is closed once the
    // opening (if any) has ended, or after a few seconds at most.
    int ticks = 0;
    kol::Timer closer(20);
    closer.OnTimer = [&](kol::Timer& t) {
      const bool settled =
          shown.path_dialogs >= c.path_dialogs && !IsWindowVisible(PathModeForm().Form->Handle());
      if ((settled && ++ticks > 5) || ticks > 300) {
        t.SetEnabled(false);
        Record(shown);
        PostMessageW(MainForm().Form->Handle(), WM_CLOSE, 0, 0);
      }
    };
    closer.SetEnabled(true);
    forms::RunProgram(c.arguments);
    EXPECT_EQ(shown.names, c.names);
    EXPECT_EQ(shown.archive, c.archive);
    EXPECT_EQ(shown.total, std::to_string(c.names.size()));
    EXPECT_EQ(shown.path_dialogs, c.path_dialogs);
    ASSERT_EQ(shown.messages.size(), c.message_start.empty() ? 0u : 1u);
    if (!c.message_start.empty()) {
      EXPECT_EQ(shown.messages[0].rfind(c.message_start, 0), 0u);
    }
  }
  SetCurrentDirectoryW(previous_directory);
}

TEST_F(OpeningTest, DroppedArchiveIsOpenedFoldersAndOtherFilesAreNot) {
  struct Case {
    std::vector<std::string> dropped;
    std::vector<std::string> names;
    std::string archive;
  };
  const std::vector<Case> cases = {
      {{folder_name, text_file, second, first}, {"c.h4r"}, second},
      {{first, second}, {"ok.h4r", "b.h4r"}, first},
      {{folder_name, text_file}, {}, "<не открыт>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.dropped.back());
    shown = {};
    std::unique_ptr<kol::Widget> app = kol::CreateApplicationWindow("tarnwick");
    forms::CreateProgramWindows(*app);
    PathDialogAnswerer answerer(shown);
    ASSERT_TRUE(PostMessageW(MainForm().Form->GetWindowHandle(), WM_DROPFILES,
                             reinterpret_cast<WPARAM>(MakeDrop(c.dropped)), 0));
    const int expected_dialogs = c.names.empty() ? 0 : 1;
    desktoptest::PumpUntil([&] {
      return MainForm().FileList->RowCount() == static_cast<int>(c.names.size()) &&
             shown.path_dialogs == expected_dialogs &&
             !IsWindowVisible(PathModeForm().Form->Handle());
    });
    // Anything still queued (a second opening would show here) is taken too.
    const ULONGLONG until = GetTickCount64() + 300;
    desktoptest::PumpUntil([until] { return GetTickCount64() > until; });
    Record(shown);
    EXPECT_EQ(shown.names, c.names);
    EXPECT_EQ(shown.archive, c.archive);
    EXPECT_EQ(shown.path_dialogs, expected_dialogs);
    EXPECT_TRUE(shown.messages.empty());
  }
}

}  // namespace
