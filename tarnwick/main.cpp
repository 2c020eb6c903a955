// tarnwick.exe: builds the program's windows and runs until the main window is
// closed. An archive named on the command line (Explorer's "Open with") is
// opened at once.
#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <string>
#include <vector>

#include "forms/main_window.h"
#include "io/wide_text.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::vector<std::string> arguments;
  int count = 0;
  if (wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 1; i < count; ++i) arguments.push_back(io::Utf8FromWide(words[i]));
    LocalFree(words);
  }
  forms::RunProgram(arguments);
  return 0;
}
