#pragma once

#include <string>
#include <vector>

namespace cli {

// tarnwick-cli list: the entries and the archive's counts. The arguments
// after "list"; the exit status.
int RunList(const std::vector<std::string>& args);

// The command with all its options, for the program's overview.
std::string ListSynopsis();

}  // namespace cli
