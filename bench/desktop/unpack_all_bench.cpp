// How long "Распаковать все в..." takes in the desktop program against
// `tarnwick-cli.exe extract --jobs 1` on the same archive, in the same Wine
// prefix, to the same disk. The desktop run is the real button of the real
// main window with the archive opened, the folder dialog scripted; the CLI is
// started as its own process. The same rows written by ExtractEntry in this
// process, with no window, are the third. Each round starts with the next of
// the three, after one warm-up round; every output folder is emptied before
// its run. Then the parts of a desktop row apart from the writing, each timed
// on its own.
//
//   unpack_all_bench ARCHIVE OUTPUT_ROOT CLI_EXE [ROUNDS]     (default 5)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "extract/desktop/unpack_commands.h"
#include "extract/entry_extraction.h"
#include "extract/progress.h"
#include "forms/main_window.h"
#include "forms/path_mode_dialog.h"
#include "forms/status_window.h"
#include "forms/user_message.h"
#include "io/stream.h"
#include "io/wide_text.h"
#include "ui/controls.h"
#include "ui/message_loop.h"
#include "ui/timer.h"

using namespace ui;
using forms::MainWindow;

namespace {

double Now() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / frequency;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void Empty(const std::string& folder) {
  std::error_code ignored;
  std::filesystem::remove_all(std::filesystem::path(io::WideFromUtf8(folder)), ignored);
  if (std::filesystem::exists(std::filesystem::path(io::WideFromUtf8(folder)))) {
    std::fprintf(stderr, "unpack_all_bench: cannot empty %s\n", folder.c_str());
    std::exit(1);
  }
}

// Seconds from starting the process to its end; exits the bench when it fails.
double RunProcess(const std::string& commandLine, DWORD expectedStatus = 0) {
  std::wstring line = io::WideFromUtf8(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  const double start = Now();
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &process)) {
    std::fprintf(stderr, "unpack_all_bench: cannot start %s\n", commandLine.c_str());
    std::exit(1);
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  const double seconds = Now() - start;
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (status != expectedStatus) {
    std::fprintf(stderr, "unpack_all_bench: %s ended with %lu\n", commandLine.c_str(),
                 static_cast<unsigned long>(status));
    std::exit(1);
  }
  return seconds;
}

struct Setup {
  std::string Archive, DesktopOut, CliOut, WalkOut, Cli;
  int Rounds = 5;
  MainWindow* Window = nullptr;  // the program's main window
};

double DesktopRun(const Setup& s, std::vector<std::string>& told) {
  Empty(s.DesktopOut);
  FolderDialog::ScriptAnswer([&](const FolderDialog&) { return s.DesktopOut; });
  ProcessMessages();  // the main window painted, as the user sees it before clicking
  const double start = Now();
  SendMessageW(s.Window->ExtractAllButton->Handle(), BM_CLICK, 0, 0);
  const double seconds = Now() - start;
  if (!told.empty()) {
    std::fprintf(stderr, "unpack_all_bench: the desktop program said: %s\n", told.front().c_str());
    std::exit(1);
  }
  return seconds;
}

double CliRun(const Setup& s) {
  Empty(s.CliOut);
  return RunProcess("\"" + s.Cli + "\" extract --jobs 1 --quiet \"" + s.Archive + "\" \"" +
                    s.CliOut + "\"");
}

// Microseconds a row of `rows` takes for `part`, run once per row.
template <typename Part>
double PerRow(int rows, Part part) {
  const double start = Now();
  for (int r = 0; r < rows; ++r) part(r);
  return (Now() - start) / rows * 1e6;
}

// The rows the desktop command writes, written in this process with no window:
// what the command costs without its status window and list.
double WalkRun(const Setup& s) {
  Empty(s.WalkOut);
  const double start = Now();
  io::StreamPtr archive = io::OpenReadStream(s.Archive);
  extract::OutputTree tree(s.WalkOut);
  for (archive::ArchiveEntry& entry : s.Window->Unit.Entries) {
    if (entry.StoredSize > 0) (void)extract::ExtractEntry(*archive, entry, tree);
  }
  return Now() - start;
}

// The parts of a desktop row besides ExtractEntry, each on its own.
void MeasureParts(const Setup& s) {
  MainWindow& m = *s.Window;
  const int rows = m.FileList->RowCount();
  Widget& form = *m.Status->StatusForm;
  Widget& label = *m.Status->StatusLabel;
  form.Show();
  const double everyRow = PerRow(rows, [&](int r) {
    label.SetText(extract::ProgressText(r + 1, rows));
    form.UpdateNow();
  });
  const double sameText = PerRow(rows, [&](int) {
    label.SetText("Распаковка ... 50%");
    form.UpdateNow();
  });
  const double textOnly =
      PerRow(rows, [&](int r) { label.SetText(extract::ProgressText(r + 1, rows)); });
  form.UpdateNow();
  const double repaintOnly = PerRow(rows, [&](int) { form.UpdateNow(); });
  extract::ProgressLine line(form, label);
  const double progressLine = PerRow(rows, [&](int r) { line.Show(r + 1, rows); });
  form.Hide();
  const double check = PerRow(rows, [&](int) { (void)m.SkipEmptyCheck->GetChecked(); });
  const double count = PerRow(rows, [&](int) { (void)m.FileList->RowCount(); });
  m.FileList->SetRowState(-1, LVIS_SELECTED);
  int next = -1;
  const double nextSelected = PerRow(rows, [&](int) { next = m.FileList->NextSelectedRow(next); });
  m.FileList->SetRowState(-1, 0);

  std::printf("\nparts of a desktop row, us a row over %d rows:\n", rows);
  std::printf("  status text set and painted every row (as before)  %8.1f\n", everyRow);
  std::printf("  the same with an unchanged text                    %8.1f\n", sameText);
  std::printf("  text set only                                      %8.1f\n", textOnly);
  std::printf("  repaint only, nothing changed                      %8.1f\n", repaintOnly);
  std::printf("  ProgressLine::Show (set, painted when it changes) %8.1f\n", progressLine);
  std::printf("  \"Игнорировать пустые файлы\" read                   %8.1f\n", check);
  std::printf("  list row count                                     %8.1f\n", count);
  std::printf("  next selected row                                  %8.1f\n", nextSelected);
}

void Run(const Setup& s) {
  std::vector<std::string> told;
  forms::detail::ReplaceUserMessage([&](const std::string& text) { told.push_back(text); });
  // The CLI without arguments ends at once with a usage error: what starting
  // a process costs under Wine, part of every CLI run and of none of the others.
  const double cliStart =
      Median({RunProcess("\"" + s.Cli + "\"", 2), RunProcess("\"" + s.Cli + "\"", 2),
              RunProcess("\"" + s.Cli + "\"", 2)});

  std::vector<double> desktop, cli, walk;
  for (int round = 0; round <= s.Rounds; ++round) {
    double d = 0, c = 0, w = 0;
    for (int i = 0; i < 3; ++i) {  // each round starts with the next of the three
      switch ((round + i) % 3) {
        case 0: d = DesktopRun(s, told); break;
        case 1: c = CliRun(s); break;
        default: w = WalkRun(s); break;
      }
    }
    std::printf("round %d%s: desktop %.3f s, cli %.3f s, no window %.3f s\n", round,
                round == 0 ? " (warm-up)" : "", d, c, w);
    std::fflush(stdout);
    if (round == 0) continue;
    desktop.push_back(d);
    cli.push_back(c);
    walk.push_back(w);
  }
  const int rows = s.Window->FileList->RowCount();
  auto spread = [](const std::vector<double>& v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.3f s median (%.3f to %.3f)", Median(v),
                  *std::min_element(v.begin(), v.end()), *std::max_element(v.begin(), v.end()));
    return std::string(text);
  };
  const double d = Median(desktop), c = Median(cli), w = Median(walk);
  std::printf("\n\"Распаковать все в...\", %d rows: %s\n", rows, spread(desktop).c_str());
  std::printf("tarnwick-cli extract --jobs 1: %s, of which starting the process %.3f s\n",
              spread(cli).c_str(), cliStart);
  std::printf("the same rows written in the bench's process, no window: %s\n",
              spread(walk).c_str());
  std::printf(
      "desktop / cli: %.2f; desktop / (cli - its start): %.2f; desktop / no window: %.2f, "
      "%.0f us more a row\n",
      d / c, d / (c - cliStart), d / w, (d - w) / rows * 1e6);
  std::fflush(stdout);
  MeasureParts(s);
  Empty(s.DesktopOut);
  Empty(s.CliOut);
  Empty(s.WalkOut);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: unpack_all_bench ARCHIVE OUTPUT_ROOT CLI_EXE [ROUNDS]\n");
    return 2;
  }
  Setup s;
  s.Archive = argv[1];
  s.DesktopOut = std::string(argv[2]) + "\\desktop";
  s.CliOut = std::string(argv[2]) + "\\cli";
  s.WalkOut = std::string(argv[2]) + "\\walk";
  s.Cli = argv[3];
  s.Rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;

  auto app = CreateApplicationWindow("tarnwick");
  s.Window = &forms::CreateProgramWindows(*app);
  // Opening as the user does: the archive handed over, "Готово" in the path dialog.
  Timer done(300);
  done.OnTimer = [&](Timer& t) {
    t.SetEnabled(false);
    SendMessageW(s.Window->PathMode->DoneButton->Handle(), BM_CLICK, 0, 0);
  };
  Timer run(500);
  run.OnTimer = [&](Timer& t) {
    t.SetEnabled(false);
    done.SetEnabled(true);
    s.Window->OpenArchiveFile(s.Archive);
    if (s.Window->FileList->RowCount() == 0) {
      std::fprintf(stderr, "unpack_all_bench: %s lists no rows\n", s.Archive.c_str());
      std::exit(1);
    }
    Run(s);
    PostMessageW(s.Window->Form->Handle(), WM_CLOSE, 0, 0);
  };
  run.SetEnabled(true);
  RunApplication(app);
  return 0;
}
