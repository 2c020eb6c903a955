// The program as a user without a mouse drives it, through real key presses
// that go through the same loop a user's keys go through, and archives that
// reach it from outside: named on the command line, dropped on the window.
#include <windows.h>
// after windows.h
#include <shlobj.h>

#include <cstring>

#include "forms/about_dialog.h"
#include "tests/forms/program_fixture.h"

using namespace formstest;

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
    timer_.OnTimer = [this](Timer&) {
      HWND form = form_.Handle();
      if (!form || !IsWindowVisible(form) || form_.ModalResult() != 0) return;
      // Wine applies the X server's focus events late: one left over from an
      // earlier hiding of the form takes the activation away again a moment
      // after the form is shown. So keys go only to a form that has stayed
      // active from one tick to the next; a user would click a form that lost it.
      const bool active = GetForegroundWindow() == form;
      steady_ = active ? steady_ + 1 : 0;
      if (!active && ++idle_ % 5 == 0) SetForegroundWindow(form);
      if (steady_ > 1 && next_ < chords_.size()) {
        Press({chords_[next_++]});
      } else if ((active && ++idle_ > 10) || idle_ > 40) {
        timer_.SetEnabled(false);
        form_.SetModalResult(-1);
      }
    };
    timer_.SetEnabled(true);
  }
  // The script stops only when it closes the form itself.
  bool ClosedByScript() const { return !timer_.Enabled(); }

 private:
  Widget& form_;
  std::vector<Chord> chords_;
  size_t next_ = 0;
  int steady_ = 0, idle_ = 0;
  Timer timer_{60};
};

// Each dialog's keys, and what the dialog left: the path choice, the rows
// selected and the mask, the About box closed; "up" when the keys left the
// dialog open and the script had to close it. Each step starts where the one
// before left the dialog.
TEST_F(Program, DialogsByKeyboardAlone) {
  Open(Write({.Entries = {MakeEntry("alpha.h4r", "one", "1"), MakeEntry("beta.h4r", "alps", "2"),
                          MakeEntry("alpine.txt", "two", "3")}}),
       PathModeForm().StoredPathsRadio);
  Widget *path = PathModeForm().Form, *mask = MaskForm().Form, *about = AboutBox();
  using Case = std::tuple<Widget*, std::vector<Chord>, std::string>;
  const Case cases[] = {
      {path, {{VK_DOWN}, {VK_ESCAPE}}, "stored"},  // Esc keeps the choice
      // Tab leaves the radio group and Shift+Tab comes back; Tab twice more is "Готово".
      {path, {{VK_TAB}, {VK_SHIFT, VK_TAB}, {VK_DOWN}, {VK_RETURN}}, "stored"},
      {path, {{VK_DOWN}, {VK_TAB}, {VK_TAB}, {VK_SPACE}}, "stored"},
      {mask, {{'B'}, {VK_ESCAPE}}, "/ 0 ''"},  // Esc is "Отмена": the mask goes back
      {mask, {{VK_RETURN}}, "/ 0 '' up"},      // no "Выделить" without a mask
      // Past the mask: "Искать в значении Имени" unchecked, "...Пути" checked.
      {mask, {{'A'}, {'L'}, {VK_TAB}, {VK_SPACE}, {VK_TAB}, {VK_SPACE}, {VK_RETURN}}, "1 / 1 'al'"},
      // clang-format off
      {about, {{VK_RETURN}}, "closed"}, {about, {{VK_ESCAPE}}, "closed"},
      {about, {{VK_SPACE}}, "closed"},
      // clang-format on
  };
  int step = 0;
  for (const auto& [dialog, keys, after] : cases) {
    SCOPED_TRACE(testing::Message() << "step " << step++);
    Click(PathModeForm().FromNamesRadio);
    KeyScript script(*dialog, keys);
    std::string left;
    if (dialog == path) {
      left = AskPathMode(PathModeForm()) == archive::PathMode::Stored ? "stored" : "from names";
    } else if (dialog == mask) {
      Click(MainForm().SelectByMaskButton);
      left = Selection() + " '" + MaskForm().MaskEdit->GetText() + "'";
    } else {
      Choose(kMenuAbout);
      left = IsWindowVisible(about->Handle()) ? "shown" : "closed";
    }
    EXPECT_EQ(left + (script.ClosedByScript() ? " up" : ""), after);
  }
}

TEST_F(Program, MenuAccessKeysAndShortcuts) {
  // Alt, then the marked letters of "Файл" and "Открыть архив..." (Ctrl+O is
  // pressed below). Then Ctrl+A in the list is "Выделить все".
  OpenFileDialog::ScriptAnswer([file = Write(Numbered(3))](const OpenFileDialog&) { return file; });
  KeyScript done(*PathModeForm().Form, {{VK_RETURN}});
  int step = 0;
  Timer keys(80);
  keys.OnTimer = [&](Timer&) {
    HWND main = MainForm().Form->Handle();
    if (GetForegroundWindow() != main) {
      SetForegroundWindow(main);  // as a user's click would
    } else if (step == 0 || (step == 1 && List().RowCount() == 3)) {
      Press(step++ == 0 ? std::vector<Chord>{{VK_MENU}, {L'ф'}, {L'о'}}
                        : std::vector<Chord>{{VK_CONTROL, 'A'}});
    }
  };
  keys.SetEnabled(true);
  EXPECT_TRUE(guitest::PumpUntil([&] { return Counter() == "3"; }));

  // Ctrl+O from wherever the focus is in the main window, also where a command
  // run from there left it (Ctrl+A above, Space on a button): the keys before
  // it take the focus there, Tab by Tab; Ctrl+O brings up the open dialog, and
  // the focus stays.
  const MainWindow& m = MainForm();
  using Case = std::pair<Chord, Widget*>;
  // clang-format off
  const Case cases[] = {
      {{}, m.FileList},
      {{VK_TAB}, m.SelectAllButton},              {{VK_SPACE}, m.SelectAllButton},
      {{VK_TAB}, m.SelectCompressedButton},       {{VK_TAB}, m.SkipEmptyCheck},
      {{VK_TAB}, m.InvertSelectionButton},        {{VK_SPACE}, m.InvertSelectionButton},
      {{VK_TAB}, m.ExtractSelectedButton},        {{VK_TAB}, m.ExtractAllButton},
      {{VK_TAB}, m.SelectByMaskButton},           {{VK_TAB}, m.ArchiveNameEdit}};
  // clang-format on
  for (size_t step = 0; step < std::size(cases); ++step) {
    const auto& [keys, focus] = cases[step];
    Press({keys});
    const bool there = guitest::PumpUntil([&] { return GetFocus() == focus->Handle(); });
    OpenFileDialog::ScriptAnswer([](const OpenFileDialog&) { return std::nullopt; });
    Press({{VK_CONTROL, 'O'}});
    const bool asked =
        guitest::PumpUntil([] { return OpenFileDialog::ScriptedAnswersLeft() == 0; });
    EXPECT_TRUE(there && asked && GetFocus() == focus->Handle()) << "step " << step;
    if (!asked) {
      Choose(kMenuOpenArchive);  // the answer is not left for the tests after
      break;
    }
  }
}

// As Explorer hands files over: DROPFILES with wide names, each ended by a
// zero, the list by one more.
HGLOBAL MakeDrop(const Strings& names) {
  std::wstring list;
  for (const std::string& name : names) list += io::WideFromUtf8(name) + L'\0';
  // GHND zeroes the memory: the list's own ending zero is there already.
  HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + (list.size() + 1) * sizeof(wchar_t));
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  std::memcpy(header + 1, list.data(), list.size() * sizeof(wchar_t));
  GlobalUnlock(memory);
  return memory;
}

TEST_F(Program, ArchivesFromTheCommandLineOrADropAreOpenedAsTheMenuOpensThem) {
  testarchive::Archive one, two;
  one.Entries = {MakeEntry("a.button.ok.h4r", "C:\\x", "ok"), MakeEntry("b.h4r", "C:\\y", "bb", 0)};
  two.Entries = {MakeEntry("c.h4r", "C:\\z", "c")};
  const std::string first = Write(one, "first.H4R"), second = Write(two, "second.h4r"),
                    text = Write(two, "notes.txt"), sub = folder / "sub.h4r",
                    missing = folder / "gone.h4r";
  ASSERT_TRUE(CreateDirectoryW(io::WideFromUtf8(sub).c_str(), nullptr));
  // Named on the command line, relative to the folder the program starts in
  // (of several, the first); dropped, the first archive among the files,
  // folders and other files passed over. Then what the window shows: the
  // names, the panel's archive, the times the path dialog was answered, and
  // the message if any, up to its explanation.
  using Case = std::tuple<bool, Strings, std::string>;
  const Case cases[] = {
      {false, {"first.H4R", "second.h4r"}, "ok.h4r b.h4r | " + first + " | 1"},
      {false, {missing}, "| " + missing + " | 1 | Не удалось открыть архив:\r\n" + missing},
      {true, {sub, text, second, first}, "c.h4r | " + second + " | 1"},
      {true, {sub, text}, "| <не открыт> | 0"},
  };
  wchar_t previousDirectory[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, previousDirectory);
  SetCurrentDirectoryW(io::WideFromUtf8(folder.Path()).c_str());
  for (const auto& [dropped, files, expected] : cases) {
    messages.clear();
    int dialogs = 0, quiet = 0;
    std::string shown;
    // Drops the files, answers "Готово" whenever the path dialog is up, in
    // whatever loop runs, and closes the program once the path dialog has
    // been down a while: a second opening would show meanwhile.
    Timer user(20);
    user.OnTimer = [&](Timer& t) {
      const PathModeDialog& p = PathModeForm();
      if (quiet++ == 0 && dropped) {
        PostMessageW(MainForm().Form->Handle(), WM_DROPFILES,
                     reinterpret_cast<WPARAM>(MakeDrop(files)), 0);
      } else if (IsWindowVisible(p.Form->Handle())) {
        quiet = 1;
        if (p.Form->ModalResult() == 0 && ++dialogs)
          SendMessageW(p.DoneButton->Handle(), BM_CLICK, 0, 0);
      } else if (quiet > 20) {
        t.SetEnabled(false);
        for (int row = 0; row < List().RowCount(); ++row) shown += List().GetCellText(row, 0) + " ";
        shown += "| " + MainForm().ArchiveNameEdit->GetText() + " | " + std::to_string(dialogs);
        if (!messages.empty()) shown += " | " + messages[0].substr(0, messages[0].find("\r\n\r\n"));
        PostMessageW(MainForm().Form->Handle(), WM_CLOSE, 0, 0);
      }
    };
    user.SetEnabled(true);
    std::unique_ptr<Widget> program = CreateApplicationWindow("tarnwick");
    g_program = &CreateProgramWindows(*program);
    RunProgram(program, *g_program, dropped ? Strings{} : files);
    EXPECT_EQ(shown, expected);
  }
  SetCurrentDirectoryW(previousDirectory);
}

}  // namespace
