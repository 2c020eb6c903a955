// The widget layer against real windows: the message loop, modal showing and
// the close requests, as the program's windows rely on them.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/ui/gui_test_support.h"
#include "ui/controls.h"
#include "ui/message_loop.h"

using namespace ui;

TEST(MessageLoop, ModalShowsAndTheMainFormsCloseEndTheirLoopsAndFreeEverything) {
  auto app = CreateApplicationWindow("tarnwick");
  Widget *main = CreateForm(*app, "Main"), *refusing = CreateForm(*app, "Refuses to close"),
         *dialog = CreateForm(*app, "Dialog");
  dialog->SetVisible(false);
  refusing->OnClose = [](Widget&, bool& accept) { accept = false; };
  bool freed = false;
  main->AddToAutoFree([&] { freed = true; });

  std::vector<bool> seen;  // what held while the loops ran, in order
  guitest::Steps steps({
      [&] { PostMessageW(refusing->Handle(), WM_CLOSE, 0, 0); },
      [&] {
        seen.push_back(IsWindowVisible(refusing->Handle()) && ApplicationRunning());
        // The other forms take no input while a modal show runs.
        guitest::Steps inDialog({[&] {
          seen.push_back(!IsWindowEnabled(main->Handle()) && IsWindowEnabled(dialog->Handle()));
          dialog->SetModalResult(7);
        }});
        seen.push_back(dialog->ShowModal() == 7 && IsWindowEnabled(main->Handle()));
        // A close request ends the show with -1; the window stays for the caller to hide.
        guitest::Steps closing({[&] { PostMessageW(dialog->Handle(), WM_CLOSE, 0, 0); }});
        seen.push_back(dialog->ShowModal() == -1 && IsWindowVisible(dialog->Handle()));
        PostMessageW(main->Handle(), WM_CLOSE, 0, 0);
      },
  });
  RunApplication(app);
  EXPECT_EQ(seen, std::vector<bool>(4, true));
  EXPECT_EQ(app, nullptr);  // freed, with every form in it, the refusing one too
  EXPECT_TRUE(freed);
}
