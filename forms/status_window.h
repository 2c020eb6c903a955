// The opening status window (Windows only): a small caption-less window in the
// middle of the screen naming the step a long command is at. Built once at
// start-up, hidden, shown by each command while it runs; it cannot be closed.
//
//   ShowStatus("Очищаем список...");  // set the text, show, repaint at once
//   ...
//   ShowStatus("Формируем список...");
//   HideStatus();
#pragma once

#include <string>

#include "ui/controls.h"
#include "ui/widget.h"

namespace forms {

struct OpeningWindow {
  ui::Widget* StatusForm = nullptr;
  ui::Label* StatusLabel = nullptr;
};

// Builds the window under `parent`, hidden, and makes it the unit's window.
OpeningWindow* CreateOpeningWindow(ui::Widget& parent);
OpeningWindow& Opening();  // valid once it has been built

// Sets the status text, shows the window when it is hidden, and repaints it at
// once: the command that calls this takes no messages until it ends.
void ShowStatus(const std::string& text);
void HideStatus();

}  // namespace forms
