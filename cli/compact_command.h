// tarnwick-cli compact: rewrites an archive with only the data its records
// point to, reclaiming what earlier updates left behind.
#pragma once

#include <string>
#include <vector>

namespace cli {

// Runs the command on its arguments (those after "compact"); the exit status.
int RunCompact(const std::vector<std::string>& args);

// The command with its options, for the program's overview.
std::string CompactSynopsis();

}  // namespace cli
