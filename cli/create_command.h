// tarnwick-cli create: makes a new archive, in the game's layout, from the
// files of a folder laid out as extract writes it.
#pragma once

#include <string>
#include <vector>

namespace cli {

// Runs the command on its arguments (those after "create"); the exit status.
int RunCreate(const std::vector<std::string>& args);

// The command with its options, for the program's overview.
std::string CreateSynopsis();

}  // namespace cli
