#pragma once

#include <string>

namespace cli {

// A JSON string literal (with its quotes) of a UTF-8 text.
std::string JsonString(const std::string& utf8);

// A text safe to print on a terminal: control characters (C0 and C1) become
// "?", so an
// archive's names cannot send escape sequences to the user's terminal.
std::string PrintableText(const std::string& utf8);

}  // namespace cli
