#include <unistd.h>

#include "cli/arguments.h"

namespace cli {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}

void PrepareConsole() {}

void BinaryStdout() {}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

}  // namespace cli
