// The one way the program tells the user about a failure (Windows only): a
// message box over the main window. Tests replace it to read the texts.
#pragma once

#include <functional>
#include <string>

namespace forms {

// Shows `text` (UTF-8) in a warning box and waits for the user.
void ShowUserMessage(const std::string& text);

namespace detail {
using UserMessageFunction = std::function<void(const std::string& text)>;
// Replaces the message box; returns the previous function.
UserMessageFunction ReplaceUserMessage(UserMessageFunction function);
}  // namespace detail

}  // namespace forms
