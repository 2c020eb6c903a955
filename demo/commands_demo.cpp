// The windows of the selection and unpacking commands in one state each, for
// looking at: run by scripts/screenshots under a virtual display.
//
//   commands_demo STATE [MILLISECONDS]
//
// STATE: mask (the select-by-mask dialog over a loaded archive), about (the
// About box), progress (the status window during an unpacking), failure (the
// message at the end of an unpacking of all rows, two of which cannot be
// written). Prints "ready" once painted and ends itself after MILLISECONDS
// (default 4000).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "extract/progress.h"
#include "forms/main_window.h"
#include "forms/mask_dialog.h"
#include "forms/path_mode_dialog.h"
#include "forms/status_window.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"
#include "ui/controls.h"
#include "ui/file_dialogs.h"
#include "ui/message_loop.h"
#include "ui/timer.h"

using namespace ui;
using forms::CreateProgramWindows;
using forms::kMenuAbout;
using forms::ShowStatus;

namespace {

// A small archive of resource-like entries; two of them cannot be written.
std::string WriteDemoArchive(const std::string& file) {
  const char* names[] = {"layers.button.cancel.h4r", "layers.button.ok.h4r",
                         "sound.click.wav",          "icons.hero.knight.bmp",
                         "tables.creatures.txt",     "layers.frame.main.h4r",
                         "icons.spell.fire.bmp",     "sound.music.theme.wav"};
  testarchive::Archive a;
  int i = 0;
  for (const char* name : names) {
    testarchive::Entry e;
    e.Name = name;
    e.Data = std::string(static_cast<size_t>(300 + 97 * i), static_cast<char>('a' + i));
    e.Compression = i % 2 ? 3 : 1;
    a.Entries.push_back(e);
    ++i;
  }
  std::string member = testarchive::GzipMember(a.Entries[1].Data);
  member[member.size() - 5] ^= 0x11;  // a damaged CRC-32
  a.Entries[1].Stored = member;
  testarchive::Entry device;
  device.Name = "sound.nul.wav";  // "nul.wav" is no file a folder can hold
  device.Data = "x";
  a.Entries.push_back(device);
  testarchive::WriteFileBytes(file, testarchive::Build(a));
  return file;
}

void OpenDemoArchive(forms::MainWindow& m, const std::string& archive) {
  OpenFileDialog::ScriptAnswer(
      [archive](const OpenFileDialog&) { return std::optional<std::string>(archive); });
  static Timer done(300);
  done.OnTimer = [&m](Timer& t) {
    t.SetEnabled(false);
    SendMessageW(m.PathMode->DoneButton->Handle(), BM_CLICK, 0, 0);
  };
  done.SetEnabled(true);
  m.OpenArchiveClick();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string state = argc > 1 ? argv[1] : "mask";
  const int closeAfter = argc > 2 ? std::atoi(argv[2]) : 4000;
  testarchive::TempFolder folder;
  const std::string archive = WriteDemoArchive(folder / "Heroes4.h4r");

  auto app = CreateApplicationWindow("tarnwick");
  forms::MainWindow& m = CreateProgramWindows(*app);

  // Ends the program whatever modal loop runs then.
  Timer quit(closeAfter);
  quit.OnTimer = [](Timer&) { ExitProcess(0); };
  quit.SetEnabled(true);
  Timer ready(900);
  ready.OnTimer = [&](Timer& t) {
    t.SetEnabled(false);
    for (size_t i = 0; i < app->ChildCount(); ++i) app->Child(i).UpdateNow();
    std::printf("ready\n");
    std::fflush(stdout);
  };

  Timer act(200);
  act.OnTimer = [&](Timer& t) {
    t.SetEnabled(false);
    OpenDemoArchive(m, archive);
    m.FileList->SetRowState(2, LVIS_SELECTED);
    m.FileList->SetRowState(5, LVIS_SELECTED);
    ready.SetEnabled(true);
    if (state == "mask") {
      m.Mask->MaskEdit->SetText("button");
      SendMessageW(m.SelectByMaskButton->Handle(), BM_CLICK, 0, 0);
    } else if (state == "about") {
      SendMessageW(m.Form->Handle(), WM_COMMAND, MAKEWPARAM(m.MainMenu->CommandId(kMenuAbout), 0),
                   0);
    } else if (state == "progress") {
      ShowStatus(*m.Status, extract::ProgressText(3, 8));
    } else if (state == "failure") {
      SendMessageW(m.SelectAllButton->Handle(), BM_CLICK, 0, 0);
      const std::string out = folder / "out";
      FolderDialog::ScriptAnswer(
          [out](const FolderDialog&) { return std::optional<std::string>(out); });
      SendMessageW(m.ExtractSelectedButton->Handle(), BM_CLICK, 0, 0);
    }
  };
  act.SetEnabled(true);
  RunApplication(app);
  return 0;
}
