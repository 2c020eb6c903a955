// The program's windows, created as the application creates them, and the
// steps a user takes in them, for tests that drive them in-process.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
// after windows.h
#include <commctrl.h>

#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "forms/main_window.h"
#include "forms/mask_dialog.h"
#include "forms/path_mode_dialog.h"
#include "forms/status_window.h"
#include "forms/user_message.h"
#include "io/wide_text.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"
#include "tests/ui/gui_test_support.h"
#include "ui/message_loop.h"

namespace formstest {

using namespace ui;
using namespace forms;
using testarchive::MakeEntry;
using Strings = std::vector<std::string>;

// The program's windows that the running test built, and each of them.
inline MainWindow* g_program = nullptr;
inline MainWindow& MainForm() { return *g_program; }
inline OpeningWindow& Opening() { return *g_program->Status; }
inline MaskDialog& MaskForm() { return *g_program->Mask; }
inline PathModeDialog& PathModeForm() { return *g_program->PathMode; }

// A click on a button or a menu item; the status window is down again after any command.
inline void Click(Widget* button) {
  SendMessageW(button->Handle(), BM_CLICK, 0, 0);
  EXPECT_FALSE(Opening().StatusForm->Visible());
}
inline void Choose(MainMenuItem item) {
  SendMessageW(MainForm().Form->Handle(), WM_COMMAND, MainForm().MainMenu->CommandId(item), 0);
  EXPECT_FALSE(Opening().StatusForm->Visible());
}
inline bool Exists(const std::string& path) {
  return GetFileAttributesW(io::WideFromUtf8(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline testarchive::Archive Numbered(int count) {
  testarchive::Archive a;
  for (int i = 0; i < count; ++i)
    a.Entries.push_back(MakeEntry("f" + std::to_string(i), "", "data " + std::to_string(i)));
  return a;
}

class Program : public ::testing::Test {
 protected:
  std::unique_ptr<Widget> app = CreateApplicationWindow("tarnwick");
  testarchive::TempFolder folder;
  Strings statuses;  // each text the status window painted while it was up
  Strings messages;  // told to the user

  void SetUp() override {
    g_program = &CreateProgramWindows(*app);
    MainForm().Form->Show();  // as the application shows it: the About box is built then
    Opening().StatusLabel->AttachHandler(
        [this](Widget& label, UINT message, WPARAM, LPARAM, LRESULT&) {
          if (message == WM_PAINT && Opening().StatusForm->Visible() &&
              (statuses.empty() || statuses.back() != label.GetText()))
            statuses.push_back(label.GetText());
          return false;
        });
    forms::detail::ReplaceUserMessage(
        [this](const std::string& text) { messages.push_back(text); });
  }
  // The windows go with `app`; a later test that forgets to set its own fails at once.
  void TearDown() override { g_program = nullptr; }

  std::string Write(const testarchive::Archive& archive, const std::string& name = "test.h4r") {
    const std::string file = folder / name;
    EXPECT_TRUE(testarchive::WriteFileBytes(file, testarchive::Build(archive)));
    return file;
  }
  // "Открыть архив..." with the open dialog answering `file` (nothing: cancel)
  // and `choice` clicked in the path dialog (none: left as offered).
  void Open(std::optional<std::string> file, RadioButton* choice = nullptr) {
    OpenFileDialog::ScriptAnswer([file](const OpenFileDialog&) { return file; });
    guitest::Steps steps({[choice] {
      if (choice) Click(choice);
      Click(PathModeForm().DoneButton);
    }});
    statuses.clear();
    Choose(kMenuOpenArchive);
  }
  // An unpacking button with the folder dialog answering `out` (nothing: cancel).
  void Unpack(Widget* button, std::optional<std::string> out) {
    FolderDialog::ScriptAnswer([out](const FolderDialog&) { return out; });
    statuses.clear();
    Click(button);
  }

  ListView& List() { return *MainForm().FileList; }
  std::string Counter() { return MainForm().SelectedCountValue->GetText(); }
  // The selected rows, then what the counter says.
  std::string Selection() {
    std::string rows;
    for (int r = List().NextSelectedRow(-1); r != -1; r = List().NextSelectedRow(r))
      rows += std::to_string(r) + " ";
    return rows + "/ " + Counter();
  }
  void Select(std::vector<int> rows) {
    List().SetRowState(-1, 0);
    for (int r : rows) List().SetRowState(r, LVIS_SELECTED);
  }
  // A real click in the middle of a row, away from its name: the whole row
  // answers. The button goes up as soon as the list looks for it.
  void ClickRow(int row, UINT down = WM_LBUTTONDOWN, WPARAM keys = MK_LBUTTON) {
    RECT r{LVIR_BOUNDS, 0, 0, 0};
    SendMessageW(List().Handle(), LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    PostMessageW(List().Handle(), down + 1, 0, at);
    SendMessageW(List().Handle(), down, keys, at);
    ProcessMessages();
  }
  // The cells of a row, joined by "|".
  std::string Row(int row) {
    std::string cells = List().GetCellText(row, 0);
    for (int c = 1; c < 4; ++c) cells += "|" + List().GetCellText(row, c);
    return cells;
  }
};

}  // namespace formstest
