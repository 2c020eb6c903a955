#include <windows.h>

#include <cstring>

#include "cli/interruption.h"

namespace cli {
namespace {

io::fs::Unfinished* g_file = nullptr;
const char* g_removed = "";

void Say(const char* text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written,
            nullptr);
}

// Runs on a thread of its own while the others go on; the writer stops as
// soon as it sees the interruption (io::fs::Unfinished).
BOOL WINAPI OnControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  const bool had = g_file->State != 0;
  io::fs::RemoveUnfinished(*g_file);
  Say("tarnwick-cli: interrupted");
  if (had) {
    Say("; ");
    Say(g_removed);
  }
  Say("\r\n");
  // As the system's own handler ends a process on Ctrl+C.
  ExitProcess(STATUS_CONTROL_C_EXIT);
}

}  // namespace

void RemoveOnInterruption(io::fs::Unfinished& file, const char* removed) {
  g_file = &file;
  g_removed = removed;
  SetConsoleCtrlHandler(OnControl, TRUE);
}

}  // namespace cli
