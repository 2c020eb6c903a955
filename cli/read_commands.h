// The commands that read entries without writing a file: test and print.
#pragma once

#include <string>
#include <vector>

namespace cli {

// tarnwick-cli test: unpacks the selected entries in memory and names the
// damaged ones. The arguments after "test"; the exit status.
int RunTest(const std::vector<std::string>& args);

// tarnwick-cli print: the selected entries' bytes to stdout.
int RunPrint(const std::vector<std::string>& args);

// The commands with all their options, for the program's overview.
std::string TestSynopsis();
std::string PrintSynopsis();

}  // namespace cli
