// The opening status window (Windows only): a small caption-less window in the
// middle of the screen naming the step a long command is at. Built once at
// start-up, hidden, shown by each command while it runs; it cannot be closed.
//
//   ShowStatus(status, "Очищаем список...");  // set the text, show, repaint at once
//   ...
//   ShowStatus(status, "Формируем список...");
//   HideStatus(status);
#pragma once

#include <string>

#include "ui/controls.h"
#include "ui/widget.h"

namespace forms {

struct OpeningWindow {
  ui::Widget* StatusForm = nullptr;
  ui::Label* StatusLabel = nullptr;
};

// Builds the window under `parent`, which owns it, hidden.
OpeningWindow* CreateOpeningWindow(ui::Widget& parent);

// Sets the status text, shows the window when it is hidden, and repaints it at
// once: the command that calls this takes no messages until it ends.
void ShowStatus(OpeningWindow& window, const std::string& text);
void HideStatus(OpeningWindow& window);

}  // namespace forms
