// Messages to the user.
#include "forms/user_message.h"

#include <windows.h>

#include "io/wide_text.h"
#include "ui/message_loop.h"

namespace forms {

namespace {

void MessageBoxOverProgram(const std::string& text) {
  // Owned by the active window of the program, so that it stays in front of it.
  HWND owner = GetActiveWindow();
  if (!owner && ui::ApplicationWindow()) owner = ui::ApplicationWindow()->Handle();
  MessageBoxW(owner, io::WideFromUtf8(text).c_str(), L"Tarnwick", MB_OK | MB_ICONWARNING);
}

detail::UserMessageFunction& CurrentFunction() {
  static detail::UserMessageFunction function = MessageBoxOverProgram;
  return function;
}

}  // namespace

void ShowUserMessage(const std::string& text) { CurrentFunction()(text); }

namespace detail {
UserMessageFunction ReplaceUserMessage(UserMessageFunction function) {
  UserMessageFunction previous = std::move(CurrentFunction());
  CurrentFunction() = function ? std::move(function) : MessageBoxOverProgram;
  return previous;
}
}  // namespace detail

}  // namespace forms
