#pragma once

#include <string>
#include <vector>

namespace cli {

// tarnwick-cli list [--stored-paths] [--json] ARCHIVE
int RunList(const std::vector<std::string>& args);

}  // namespace cli
