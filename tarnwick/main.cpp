// tarnwick.exe: builds the program's windows and runs until the main window is
// closed. No arguments are read.
#include <windows.h>

#include "forms/main_window.h"
#include "kol/widgets/controls.h"
#include "kol/widgets/message_loop.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  std::unique_ptr<kol::Widget> application = kol::CreateApplicationWindow("tarnwick");
  forms::CreateProgramWindows(*application);
  kol::RunApplication(application);
  return 0;
}
