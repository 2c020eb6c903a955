// How long opening a large archive takes in the desktop program: from the
// click on "Готово" to the status window hidden, through the real menu command
// with the open dialog scripted. Then the cost of adding rows to the visible
// list with and without the redraw lock, as a ratio.
//
//   open_archive_bench [ENTRIES] [UNLOCKED_ROWS]     (defaults 20000, 300)
#include <windows.h>

#include <chrono>
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
using forms::kMenuOpenArchive;
using forms::MainWindow;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double>(to - from).count();
}

std::string WriteArchive(const std::string& file, int entries) {
  const char* kinds[] = {"layers", "sound", "icons", "tables", "cursors"};
  const char* groups[] = {"button", "combat", "town", "map", "hero", "spell"};
  testarchive::Archive a;
  a.Entries.reserve(entries);
  for (int i = 0; i < entries; ++i) {
    testarchive::Entry e;
    e.Name = std::string(kinds[i % 5]) + "." + groups[i % 6] + ".item" + std::to_string(i) + ".h4r";
    e.Path = "C:\\Heroes 4\\Assets\\" + std::string(kinds[i % 5]);
    e.Data = std::string(static_cast<size_t>(16 + i % 64), 'x');
    e.Compression = i % 3 == 0 ? 1 : 3;
    a.Entries.push_back(e);
  }
  testarchive::WriteFileBytes(file, testarchive::Build(a));
  return file;
}

// Seconds to add `rows` rows of four cells to the visible list, as opening does.
double FillSeconds(ListView& list, int rows, bool locked) {
  list.ClearRows();
  const auto start = Clock::now();
  if (locked) list.BeginUpdate();
  for (int r = 0; r < rows; ++r) {
    const int row = list.AddRow("");
    list.SetCellText(row, 0, "item" + std::to_string(r) + ".h4r");
    list.SetCellText(row, 1, "layers\\button\\");
    list.SetCellText(row, 2, std::to_string(r));
    list.SetCellText(row, 3, "Да");
  }
  if (locked) list.EndUpdate();
  const auto end = Clock::now();
  list.ClearRows();
  return Seconds(start, end);
}

}  // namespace

int main(int argc, char** argv) {
  const int entries = argc > 1 ? std::atoi(argv[1]) : 20000;
  const int unlockedRows = argc > 2 ? std::atoi(argv[2]) : 300;
  testarchive::TempFolder folder;
  const std::string archive = WriteArchive(folder / "big.h4r", entries);

  auto app = CreateApplicationWindow("tarnwick");
  MainWindow& m = CreateProgramWindows(*app);
  Clock::time_point doneClicked, statusHidden;
  m.Status->StatusForm->AttachHandler([&](Widget&, UINT message, WPARAM wparam, LPARAM, LRESULT&) {
    if (message == WM_SHOWWINDOW && !wparam) statusHidden = Clock::now();
    return false;
  });

  Timer click(300);
  click.OnTimer = [&](Timer& t) {
    t.SetEnabled(false);
    doneClicked = Clock::now();
    SendMessageW(m.PathMode->DoneButton->Handle(), BM_CLICK, 0, 0);
  };
  Timer run(500);
  run.OnTimer = [&](Timer& t) {
    t.SetEnabled(false);
    OpenFileDialog::ScriptAnswer([&](const OpenFileDialog&) { return archive; });
    click.SetEnabled(true);
    SendMessageW(m.Form->Handle(), WM_COMMAND,
                 MAKEWPARAM(m.MainMenu->CommandId(kMenuOpenArchive), 0), 0);
    const double openSeconds = Seconds(doneClicked, statusHidden);
    std::printf(
        "opening %d entries (FromNames), \"Готово\" to status hidden: %.3f s, %d rows listed\n",
        entries, openSeconds, m.FileList->RowCount());

    const double locked = FillSeconds(*m.FileList, unlockedRows, true);
    const double unlocked = FillSeconds(*m.FileList, unlockedRows, false);
    std::printf(
        "adding %d rows to the visible list: locked %.4f s, unlocked %.3f s (%.1f ms a row), "
        "unlocked/locked %.0fx\n",
        unlockedRows, locked, unlocked, 1000.0 * unlocked / unlockedRows,
        locked > 0 ? unlocked / locked : 0.0);
    std::printf("%d entries unlocked would take about %.0f s\n", entries,
                openSeconds + unlocked / unlockedRows * entries);
    std::fflush(stdout);
    PostMessageW(m.Form->Handle(), WM_CLOSE, 0, 0);
  };
  run.SetEnabled(true);
  RunApplication(app);
  return 0;
}
