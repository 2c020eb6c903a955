#pragma once

#include <string>

namespace cli {

// A JSON string literal (with its quotes) of a UTF-8 text.
std::string JsonString(const std::string& utf8);

// A text safe to print on a terminal: control characters (C0 and C1) become
// "?", so an archive's names cannot send escape sequences to the user's terminal.
std::string PrintableText(const std::string& utf8);

// A path as typed, in the program's own spelling: "\" separates folders (the
// POSIX backend turns it back at the system call, and Windows reads both).
std::string InternalPath(std::string path);
// A path of the program's as this system spells it, safe to print.
std::string ShownPath(std::string path);

}  // namespace cli
