#pragma once

#include <string>
#include <vector>

namespace cli {

// tarnwick-cli list [--stored-paths] [--long] [--json] [SELECTION] ARCHIVE [PATTERN...]
int RunList(const std::vector<std::string>& args);

}  // namespace cli
