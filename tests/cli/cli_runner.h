// Runs tarnwick-cli as a user would, capturing its output and exit status.
#pragma once

#include <string>
#include <vector>

namespace testcli {

struct Run {
  int Status = -1;
  std::string Out;
  std::string Err;
};

// Runs the program with the arguments (each quoted for the shell). The
// current directory is the caller's.
Run RunCli(const std::vector<std::string>& args);

}  // namespace testcli
