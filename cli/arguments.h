// The command line as UTF-8 texts, on both systems.
#pragma once

#include <string>
#include <vector>

namespace cli {

// argv without the program name. On Windows the wide command line is read,
// so that Cyrillic file names arrive intact whatever the code page.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// Makes the console show UTF-8 output on Windows; elsewhere puts a stand-in
// in place of a closed standard stream.
void PrepareConsole();

// Makes stdout carry bytes unchanged (no "\n" to "\r\n" on Windows).
void BinaryStdout();

// Whether stderr is a terminal (for progress output).
bool StderrIsTerminal();

}  // namespace cli
