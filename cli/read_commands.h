// The commands that read entries without writing a file: test and print.
#pragma once

#include <string>
#include <vector>

namespace cli {

// tarnwick-cli test [--stored-paths] [--jobs N] [SELECTION] ARCHIVE [PATTERN...]
int RunTest(const std::vector<std::string>& args);

// tarnwick-cli print [--stored-paths] [SELECTION] ARCHIVE [ENTRY...]
int RunPrint(const std::vector<std::string>& args);

}  // namespace cli
