// The application's message loop (Windows only).
#pragma once

#include <memory>

#include "ui/widget.h"

namespace ui {

// Creates and shows the application window, then takes and dispatches messages
// until the application is told to end (the main form or the application
// window is closed). Frees the application window, and with it every form, and
// resets `application`.
void RunApplication(std::unique_ptr<Widget>& application);

// Takes and dispatches every queued message, without waiting.
void ProcessMessages();

Widget* ApplicationWindow();  // the application window, while it exists
bool ApplicationRunning();
bool ApplicationTerminated();

namespace detail {
void SetApplicationWindow(Widget* application);     // kept by CreateApplicationWindow
void ForgetApplicationWindow(Widget* application);  // a freed application window
void EndApplication();                              // as after WM_QUIT
}  // namespace detail

}  // namespace ui
