// The program's windows in one state each, for looking at: run by
// scripts/screenshots under a virtual display.
//
//   forms_demo STATE [MILLISECONDS]
//
// STATE: empty (the main window at start), loaded (an archive opened through
// the menu), status (the status window over the main window), path-names and
// path-stored (the path formation dialog with either choice). Prints "ready"
// once painted and closes itself after MILLISECONDS (default 4000).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "forms/main_window.h"
#include "forms/path_mode_dialog.h"
#include "forms/status_window.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"
#include "ui/controls.h"
#include "ui/message_loop.h"
#include "ui/timer.h"

using namespace ui;
using forms::CreateProgramWindows;
using forms::ShowStatus;

namespace {

// Resource-like entries, a few of them with Cyrillic names and some empty.
std::string WriteDemoArchive(const std::string& file) {
  const char* kinds[] = {"layers", "sound", "icons", "tables"};
  const char* items[] = {"cancel", "ok", "next", "banner", "frame", "\xEA\xED\xEE\xEF\xEA\xE0"};
  testarchive::Archive a;
  for (int i = 0; i < 1234; ++i) {
    testarchive::Entry e;
    e.Name = std::string(kinds[i % 4]) + ".button." + items[i % 6] + std::to_string(i) + ".h4r";
    e.Path = "C:\\Heroes 4\\Assets\\" + std::string(kinds[i % 4]);
    e.Data =
        std::string(static_cast<size_t>(100 + (i * 37) % 5000), static_cast<char>('a' + i % 7));
    e.Compression = i % 3 == 0 ? 1 : 3;
    if (i % 50 == 7) e.StoredSize = 0;
    a.Entries.push_back(e);
  }
  testarchive::WriteFileBytes(file, testarchive::Build(a));
  return file;
}

void ClickDoneSoon(forms::MainWindow& m) {
  static Timer done(300);
  done.OnTimer = [&m](Timer& t) {
    t.SetEnabled(false);
    SendMessageW(m.PathMode->DoneButton->Handle(), BM_CLICK, 0, 0);
  };
  done.SetEnabled(true);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string state = argc > 1 ? argv[1] : "empty";
  const int closeAfter = argc > 2 ? std::atoi(argv[2]) : 4000;
  testarchive::TempFolder folder;
  const std::string archive = WriteDemoArchive(folder / "Heroes4.h4r");

  auto app = CreateApplicationWindow("tarnwick");
  forms::MainWindow& m = CreateProgramWindows(*app);

  Timer act(200);
  act.OnTimer = [&](Timer& t) {
    t.SetEnabled(false);
    if (state == "loaded") {
      OpenFileDialog::ScriptAnswer([&](const OpenFileDialog&) { return archive; });
      ClickDoneSoon(m);
      m.OpenArchiveClick();
      m.FileList->SetRowState(1, LVIS_SELECTED);
      m.FileList->SetRowState(4, LVIS_SELECTED);
    } else if (state == "status") {
      ShowStatus(*m.Status, "Загружаем архив...");
    } else if (state.starts_with("path-")) {
      m.PathMode->Form->Show();
      if (state == "path-stored") {
        SendMessageW(m.PathMode->StoredPathsRadio->Handle(), BM_CLICK, 0, 0);
      }
    }
  };
  act.SetEnabled(true);
  Timer ready(900);
  ready.OnTimer = [&](Timer& t) {
    t.SetEnabled(false);
    app->UpdateNow();
    for (size_t i = 0; i < app->ChildCount(); ++i) app->Child(i).UpdateNow();
    std::printf("ready\n");
    std::fflush(stdout);
  };
  ready.SetEnabled(true);
  Timer quit(closeAfter);
  quit.OnTimer = [&](Timer&) { PostMessageW(m.Form->Handle(), WM_CLOSE, 0, 0); };
  quit.SetEnabled(true);
  RunApplication(app);
  return 0;
}
