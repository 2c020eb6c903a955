// tarnwick-cli extract: unpacks all or some of an archive's entries into a folder.
#pragma once

#include <string>
#include <vector>

namespace cli {

// The arguments after "extract". Returns the exit status.
int RunExtract(const std::vector<std::string>& args);

// The command with all its options, for the program's overview.
std::string ExtractSynopsis();

}  // namespace cli
