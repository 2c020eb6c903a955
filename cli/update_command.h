// tarnwick-cli update: puts the files of an unpacked folder back into the
// archive they came from, leaving every other byte of it as it was.
#pragma once

#include <string>
#include <vector>

namespace cli {

// Runs the command on its arguments (those after "update"); the exit status.
int RunUpdate(const std::vector<std::string>& args);

// The command with all its options, for the program's overview.
std::string UpdateSynopsis();

}  // namespace cli
