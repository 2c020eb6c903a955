// The program as a user without a mouse drives it, through real key presses
// that go through the same loop a user's keys go through, and archives that
// reach it from outside: named on the command line, dropped on the window.
#include <gtest/gtest.h>

#include <windows.h>
// after windows.h
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "forms/about_dialog.h"
#include "forms/mask_dialog.h"
#include "kol/widgets/file_dialogs.h"
#include "kol/widgets/timer.h"
#include "tests/forms/program_fixture.h"

using namespace formstest;
using archive::PathMode;

namespace {

// Keys pressed in order and released in reverse; a key past 0xFF is a
// character typed as such (a Cyrillic access key on any keyboard layout).
using Chord = std::vector<WORD>;

void Press(const std::vector<Chord>& chords) {
  std::vector<INPUT> inputs;
  auto add = [&inputs](WORD key, DWORD up) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key > 0xFF ? 0 : key;
    input.ki.wScan = key > 0xFF ? key : 0;
    input.ki.dwFlags = up | (key > 0xFF ? KEYEVENTF_UNICODE : 0);
    inputs.push_back(input);
  };
  for (const Chord& chord : chords) {
    for (WORD key : chord) add(key, 0);
    for (auto key = chord.rbegin(); key != chord.rend(); ++key) add(*key, KEYEVENTF_KEYUP);
  }
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

// Presses the chords one per tick while a modal form is up and active; a form
// still up a while after the last one is closed, and that is told.
class KeyScript {
 public:
  KeyScript(Widget& form, std::vector<Chord> chords) : form_(form), chords_(std::move(chords)) {
    timer_.OnTimer = [this](Timer&) { Tick(); };
    timer_.SetEnabled(true);
  }
  bool ClosedByScript() const { return closed_; }

 private:
  void Tick() {
    if (!form_.Handle() || !IsWindowVisible(form_.Handle()) || form_.ModalResult() != 0) return;
    if (GetForegroundWindow() != form_.Handle()) {
      // Wine may give the activation back to the window the form disabled, a
      // moment after showing it; a user would click the form.
      if (++idle_ % 5 == 0) SetForegroundWindow(form_.Handle());
      if (idle_ > 40) Close();
    } else if (next_ < chords_.size()) {
      Press({chords_[next_++]});
    } else if (++idle_ > 10) {
      Close();
    }
  }
  void Close() {
    closed_ = true;
    timer_.SetEnabled(false);
    form_.SetModalResult(-1);
  }
  Widget& form_;
  std::vector<Chord> chords_;
  size_t next_ = 0;
  int idle_ = 0;
  bool closed_ = false;
  Timer timer_{60};
};

const WORD kShift = VK_SHIFT, kCtrl = VK_CONTROL;

TEST_F(Program, DialogsByKeyboardAlone) {
  const struct {
    const char* what;
    std::vector<Chord> keys;
    PathMode chosen;
  } path_cases[] = {
      {"arrow down, Enter", {{VK_DOWN}, {VK_RETURN}}, PathMode::Stored},
      {"Esc keeps the choice", {{VK_DOWN}, {VK_ESCAPE}}, PathMode::Stored},
      // Tab leaves the radio group and Shift+Tab comes back; Tab twice more is "Готово".
      {"Tab, Shift+Tab", {{VK_TAB}, {kShift, VK_TAB}, {VK_DOWN}, {VK_RETURN}}, PathMode::Stored},
      {"Tab to Готово, Space", {{VK_DOWN}, {VK_TAB}, {VK_TAB}, {VK_SPACE}}, PathMode::Stored},
  };
  for (const auto& c : path_cases) {
    SCOPED_TRACE(c.what);
    Click(PathModeForm().FromNamesRadio);
    KeyScript script(*PathModeForm().Form, c.keys);
    EXPECT_EQ(AskPathMode(), c.chosen);
    EXPECT_FALSE(script.ClosedByScript());
  }

  testarchive::Archive a;
  a.entries = {MakeEntry("alpha.h4r", "one", "1"), MakeEntry("beta.h4r", "alps", "2"),
               MakeEntry("alpine.txt", "two", "3")};
  Open(Write(a), PathModeForm().StoredPathsRadio);
  const struct {
    const char* what;
    std::vector<Chord> keys;
    std::string selection, mask_after;
    bool closed_by_script;
  } mask_cases[] = {
      {"type, Enter", {{'A'}, {'L'}, {VK_RETURN}}, "0 2 / 2", "al", false},
      {"Esc is Отмена", {{'B'}, {VK_ESCAPE}}, "/ 0", "", false},
      // Past the mask: "Искать в значении Имени" unchecked, "...Пути" checked.
      {"Tab and Space",
       {{'A'}, {'L'}, {VK_TAB}, {VK_SPACE}, {VK_TAB}, {VK_SPACE}, {VK_RETURN}},
       "1 / 1",
       "al",
       false},
      {"Enter without a mask", {{VK_RETURN}}, "/ 0", "", true},
  };
  MaskDialog& d = MaskForm();
  for (const auto& c : mask_cases) {
    SCOPED_TRACE(c.what);
    d.MaskEdit->SetText("");
    d.SearchNameBox->SetChecked(true);
    d.SearchPathBox->SetChecked(false);
    Select({});
    MainForm().SelectedCountValue->SetText("0");
    KeyScript script(*d.Form, c.keys);
    SelectByMask(List(), MainUnit().Entries, *MainForm().SelectedCountValue);
    EXPECT_EQ(Selection(), c.selection);
    EXPECT_EQ(d.MaskEdit->GetText(), c.mask_after);
    EXPECT_EQ(script.ClosedByScript(), c.closed_by_script);
  }

  for (WORD key : {VK_RETURN, VK_ESCAPE, VK_SPACE}) {
    SCOPED_TRACE(key);
    KeyScript script(*AboutBox(), {{key}});
    MainForm().AboutClick();
    EXPECT_FALSE(script.ClosedByScript());
    EXPECT_FALSE(IsWindowVisible(AboutBox()->Handle()));
  }
}

TEST_F(Program, MenuAccessKeysAndShortcuts) {
  // Alt, then the marked letters of "Файл" and "Открыть архив..."; or Ctrl+O.
  // Then Ctrl+A in the list is "Выделить все".
  const struct {
    std::vector<Chord> open;
    int rows;
  } cases[] = {{{{VK_MENU}, {L'ф'}, {L'о'}}, 2}, {{{kCtrl, 'O'}}, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rows);
    const std::string file = Write(Numbered(c.rows));
    OpenFileDialog::ScriptAnswer([file](const OpenFileDialog&) { return file; });
    KeyScript done(*PathModeForm().Form, {{VK_RETURN}});
    int step = 0;
    Timer keys(80);
    keys.OnTimer = [&](Timer&) {
      if (GetForegroundWindow() != MainForm().Form->Handle()) {
        SetForegroundWindow(MainForm().Form->Handle());  // as a user's click would
        return;
      }
      if (step == 0 || (step == 1 && List().RowCount() == c.rows)) {
        Press(step++ == 0 ? c.open : std::vector<Chord>{{kCtrl, 'A'}});
      }
    };
    keys.SetEnabled(true);
    EXPECT_TRUE(guitest::PumpUntil([&] { return Counter() == std::to_string(c.rows); }));
    EXPECT_EQ(OpenFileDialog::ScriptedAnswersLeft(), 0u);
  }
}

// As Explorer hands files over: DROPFILES with wide names, each ended by a
// zero, the list by one more.
HGLOBAL MakeDrop(const Strings& names) {
  std::wstring list;
  for (const std::string& name : names) list += WideFromUtf8(name) + L'\0';
  list += L'\0';
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() * sizeof(wchar_t));
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  std::memcpy(header + 1, list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return memory;
}

TEST_F(Program, ArchivesFromTheCommandLineOrADropAreOpenedAsTheMenuOpensThem) {
  testarchive::Archive one, two;
  one.entries = {MakeEntry("a.button.ok.h4r", "C:\\x", "ok"), MakeEntry("b.h4r", "C:\\y", "bb", 0)};
  two.entries = {MakeEntry("c.h4r", "C:\\z", "c")};
  const std::string first = Write(one, "first.H4R"), second = Write(two, "second.h4r"),
                    text = Write(two, "notes.txt"), sub = folder / "sub.h4r",
                    missing = folder / "gone.h4r";
  ASSERT_TRUE(CreateDirectoryW(WideFromUtf8(sub).c_str(), nullptr));
  // What the window shows once the opening is over: the names, the panel's
  // archive, the times the path dialog was answered, and a message if any.
  auto shown = [this](int dialogs) {
    std::string names;
    for (int row = 0; row < List().RowCount(); ++row) names += List().GetCellText(row, 0) + " ";
    return names + "| " + MainForm().ArchiveNameEdit->GetText() + " | " + std::to_string(dialogs) +
           (messages.empty() ? "" : " | " + messages.back().substr(0, messages.back().find('\n')));
  };
  int dialogs = 0;
  Timer answerer(15);  // "Готово" whenever the path dialog is up, in whatever loop runs
  answerer.OnTimer = [&dialogs](Timer&) {
    HWND dialog = PathModeForm().Form->Handle();
    if (!dialog || !IsWindowVisible(dialog) || PathModeForm().Form->ModalResult() != 0) return;
    ++dialogs;
    SendMessageW(PathModeForm().DoneButton->Handle(), BM_CLICK, 0, 0);
  };
  answerer.SetEnabled(true);

  // Relative to the folder the program starts in (several: the first); the panel names it whole.
  const struct {
    Strings arguments;
    std::string shown;
  } started[] = {
      {{"first.H4R", "second.h4r"}, "ok.h4r b.h4r | " + first + " | 1"},
      {{missing}, "| " + missing + " | 1 | Не удалось открыть архив:\r"},
  };
  wchar_t previous_directory[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, previous_directory);
  SetCurrentDirectoryW(WideFromUtf8(folder.Path()).c_str());
  for (const auto& c : started) {
    dialogs = 0;
    std::string seen;
    // The program runs until its window is closed, once the opening has ended.
    int ticks = 0;
    Timer closer(20);
    closer.OnTimer = [&](Timer& t) {
      if ((dialogs > 0 && !IsWindowVisible(PathModeForm().Form->Handle()) && ++ticks > 5) ||
          ++ticks > 300) {
        t.SetEnabled(false);
        seen = shown(dialogs);
        PostMessageW(MainForm().Form->Handle(), WM_CLOSE, 0, 0);
      }
    };
    closer.SetEnabled(true);
    RunProgram(c.arguments);
    EXPECT_EQ(seen, c.shown);
  }
  SetCurrentDirectoryW(previous_directory);

  // A drop opens the first archive among the files; folders and other files are passed over.
  for (const auto& [dropped, expected] :
       {std::pair<Strings, std::string>{{sub, text, second, first}, "c.h4r | " + second},
        {{sub, text}, "| <не открыт>"}}) {
    CreateProgramWindows(*app);
    messages.clear();
    dialogs = 0;
    ASSERT_TRUE(PostMessageW(MainForm().Form->GetWindowHandle(), WM_DROPFILES,
                             reinterpret_cast<WPARAM>(MakeDrop(dropped)), 0));
    const std::string want = expected + " | " + std::to_string(expected[0] == '|' ? 0 : 1);
    guitest::PumpUntil([&] { return shown(dialogs) == want; });
    const ULONGLONG until = GetTickCount64() + 300;  // a second opening would show meanwhile
    guitest::PumpUntil([until] { return GetTickCount64() > until; });
    EXPECT_EQ(shown(dialogs), want);
  }
}

}  // namespace
