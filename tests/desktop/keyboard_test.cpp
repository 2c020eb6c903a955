// The dialogs and the main window driven by real key presses (SendInput), as
// a user without a mouse drives them.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "forms/about_dialog.h"
#include "forms/main_window.h"
#include "forms/mask_dialog.h"
#include "forms/path_mode_dialog.h"
#include "forms/user_message.h"
#include "kol/widgets/controls.h"
#include "kol/widgets/file_dialogs.h"
#include "kol/widgets/message_loop.h"
#include "kol/widgets/timer.h"
#include "tests/desktop/pump.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

using archive::PathMode;
using forms::MainForm;
using forms::MaskForm;
using forms::PathModeForm;

namespace {

// One chord or one key: pressed in order, released in reverse.
using Chord = std::vector<WORD>;

void Press(const Chord& chord) {
  std::vector<INPUT> inputs;
  for (WORD key : chord) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    inputs.push_back(input);
  }
  for (auto key = chord.rbegin(); key != chord.rend(); ++key) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = *key;
    input.ki.dwFlags = KEYEVENTF_KEYUP;
    inputs.push_back(input);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Presses the chords one per tick while a modal form runs; if the form is
// still up a while after the last one, closes it and says so.
class KeyScript {
 public:
  KeyScript(kol::Widget& form, std::vector<Chord> chords)
      : form_(form), chords_(std::move(chords)) {
    timer_.OnTimer = [this](kol::Timer&) { Tick(); };
    timer_.SetEnabled(true);
  }
  bool ClosedByScript() const { return closed_; }

 private:
  void Tick() {
    if (!form_.Handle() || !IsWindowVisible(form_.Handle()) || form_.ModalResult() != 0) return;
    if (GetForegroundWindow() != form_.Handle()) {  // keys go to the active window
      // Wine may hand the activation back to the window the form disabled, a
      // moment after showing the form; a user would click the form.
      if (++idle_ticks_ % 5 == 0) SetForegroundWindow(form_.Handle());
      if (idle_ticks_ > 40) Close();
      return;
    }
    if (next_ < chords_.size()) {
      Press(chords_[next_++]);
    } else if (++idle_ticks_ > 10) {
      Close();
    }
  }
  void Close() {
    closed_ = true;
    timer_.SetEnabled(false);
    form_.SetModalResult(-1);
  }
  kol::Widget& form_;
  std::vector<Chord> chords_;
  size_t next_ = 0;
  int idle_ticks_ = 0;
  bool closed_ = false;
  kol::Timer timer_{60};
};

class KeyboardTest : public ::testing::Test {
 protected:
  std::unique_ptr<kol::Widget> app = kol::CreateApplicationWindow("tarnwick");
  testarchive::TempFolder folder;
  std::vector<std::string> messages;
  forms::detail::UserMessageFunction previous_message;

  void SetUp() override {
    forms::CreateProgramWindows(*app);
    previous_message = forms::detail::ReplaceUserMessage(
        [this](const std::string& text) { messages.push_back(text); });
    MainForm().Form->Show();
  }
  void TearDown() override { forms::detail::ReplaceUserMessage(previous_message); }

  std::vector<int> SelectedRows() {
    std::vector<int> rows;
    for (int r = MainForm().FileList->NextSelectedRow(-1); r >= 0;
         r = MainForm().FileList->NextSelectedRow(r)) {
      rows.push_back(r);
    }
    return rows;
  }
};

const WORD kShift = VK_SHIFT, kCtrl = VK_CONTROL;

TEST_F(KeyboardTest, PathDialogByKeyboardAlone) {
  struct Case {
    const char* what;
    std::vector<Chord> keys;
    PathMode chosen;
  };
  const std::vector<Case> cases = {
      {"arrow down, Enter", {{VK_DOWN}, {VK_RETURN}}, PathMode::Stored},
      {"down and up again", {{VK_DOWN}, {VK_UP}, {VK_RETURN}}, PathMode::FromNames},
      {"Esc keeps the choice", {{VK_DOWN}, {VK_ESCAPE}}, PathMode::Stored},
      // Tab leaves the group of radio buttons, Shift+Tab comes back to it.
      {"Tab, Shift+Tab, down",
       {{VK_TAB}, {kShift, VK_TAB}, {VK_DOWN}, {VK_RETURN}},
       PathMode::Stored},
      // The two boxes, then "Готово", which Space presses.
      {"Tab to Готово, Space", {{VK_DOWN}, {VK_TAB}, {VK_TAB}, {VK_SPACE}}, PathMode::Stored},
      // Shift+Tab wraps round to "Готово".
      {"Shift+Tab, Space", {{kShift, VK_TAB}, {VK_SPACE}}, PathMode::FromNames},
  };
  forms::PathModeDialog& d = PathModeForm();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SendMessageW(d.FromNamesRadio->Handle(), BM_CLICK, 0, 0);
    KeyScript script(*d.Form, c.keys);
    EXPECT_EQ(forms::AskPathMode(), c.chosen);
    EXPECT_FALSE(script.ClosedByScript());
  }
}

TEST_F(KeyboardTest, MaskDialogByKeyboardAlone) {
  testarchive::Archive a;
  a.entries = {testarchive::MakeEntry("alpha.h4r", "one", "1"),
               testarchive::MakeEntry("beta.h4r", "alps", "2"),
               testarchive::MakeEntry("alpine.txt", "two", "3")};
  const std::string file = folder / "a.h4r";
  ASSERT_TRUE(testarchive::WriteFileBytes(file, testarchive::Build(a)));
  {
    KeyScript done(*PathModeForm().Form, {{VK_DOWN}, {VK_RETURN}});  // the paths as stored
    MainForm().OpenArchiveFile(file);
  }
  ASSERT_EQ(MainForm().FileList->RowCount(), 3);

  struct Case {
    const char* what;
    std::vector<Chord> keys;
    std::vector<int> selected;
    std::string mask_after;
    bool closed_by_script;
  };
  const std::vector<Case> cases = {
      {"type, Enter", {{'A'}, {'L'}, {VK_RETURN}}, {0, 2}, "al", false},
      {"Esc is Отмена", {{'B'}, {VK_ESCAPE}}, {}, "", false},
      // Tab to "Искать в значении Имени", Space unchecks it, Tab to "Искать в
      // значении Пути", Space checks it: only the paths are searched.
      {"Tab and Space",
       {{'A'}, {'L'}, {VK_TAB}, {VK_SPACE}, {VK_TAB}, {VK_SPACE}, {VK_RETURN}},
       {1},
       "al",
       false},
      {"Enter without a mask", {{VK_RETURN}}, {}, "", true},
  };
  forms::MaskDialog& d = MaskForm();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    d.MaskEdit->SetText("");
    d.SearchNameBox->SetChecked(true);
    d.SearchPathBox->SetChecked(false);
    for (int r = 0; r < 3; ++r) MainForm().FileList->SetRowState(r, 0);
    KeyScript script(*d.Form, c.keys);
    forms::SelectByMask(*MainForm().FileList, forms::MainUnit().Entries,
                        *MainForm().SelectedCountValue);
    EXPECT_EQ(SelectedRows(), c.selected);
    EXPECT_EQ(d.MaskEdit->GetText(), c.mask_after);
    EXPECT_EQ(script.ClosedByScript(), c.closed_by_script);
  }

  // A close request is "Отмена" too.
  d.MaskEdit->SetText("");
  kol::Timer closer(60);
  closer.OnTimer = [&](kol::Timer&) {
    if (!IsWindowVisible(d.Form->Handle())) return;
    d.MaskEdit->SetText("alpha");
    PostMessageW(d.Form->Handle(), WM_CLOSE, 0, 0);
    closer.SetEnabled(false);
  };
  closer.SetEnabled(true);
  forms::SelectByMask(*MainForm().FileList, forms::MainUnit().Entries,
                      *MainForm().SelectedCountValue);
  EXPECT_EQ(d.MaskEdit->GetText(), "");
  EXPECT_EQ(SelectedRows(), std::vector<int>{});
}

TEST_F(KeyboardTest, AboutBoxAndMainWindowByKeyboard) {
  for (const Chord& key : {Chord{VK_RETURN}, Chord{VK_ESCAPE}, Chord{VK_SPACE}}) {
    SCOPED_TRACE(key.front());
    KeyScript script(*forms::AboutBox(), {key});
    MainForm().AboutClick();
    EXPECT_FALSE(script.ClosedByScript());
    EXPECT_FALSE(IsWindowVisible(forms::AboutBox()->Handle()));
  }

  // Ctrl+O is "Открыть архив...", Ctrl+A in the list "Выделить все".
  testarchive::Archive a;
  a.entries = {testarchive::MakeEntry("x.h4r", "", "1"), testarchive::MakeEntry("y.h4r", "", "2")};
  const std::string file = folder / "k.h4r";
  ASSERT_TRUE(testarchive::WriteFileBytes(file, testarchive::Build(a)));
  kol::OpenFileDialog::ScriptAnswer([file](const kol::OpenFileDialog&) { return file; });
  KeyScript done(*PathModeForm().Form, {{VK_RETURN}});
  int step = 0;
  kol::Timer keys(80);
  keys.OnTimer = [&](kol::Timer&) {
    if (GetForegroundWindow() != MainForm().Form->Handle()) return;
    if (step == 0) {
      Press({kCtrl, 'O'});
      ++step;
    } else if (step == 1 && MainForm().FileList->RowCount() == 2) {
      Press({kCtrl, 'A'});
      ++step;
    }
  };
  keys.SetEnabled(true);
  EXPECT_TRUE(desktoptest::PumpUntil([&] { return SelectedRows().size() == 2; }));
  EXPECT_EQ(kol::OpenFileDialog::ScriptedAnswersLeft(), 0u);
  EXPECT_EQ(MainForm().SelectedCountValue->GetText(), "2");
}

}  // namespace
