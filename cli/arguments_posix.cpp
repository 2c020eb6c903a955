#include <fcntl.h>
#include <unistd.h>

#include "cli/arguments.h"

namespace cli {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  return args;
}

// A standard stream the shell closed (">&-") would otherwise be the first
// file the command opens: the summary line would go into an unpacked file or
// the new archive. /dev/null opened for reading stands in for it, so that
// writing to it fails as writing to a closed stream does, and is said.
void PrepareConsole() {
  for (int fd = STDIN_FILENO; fd <= STDERR_FILENO; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1) continue;
    const int stand = ::open("/dev/null", O_RDONLY);
    if (stand >= 0 && stand != fd) {
      ::dup2(stand, fd);
      ::close(stand);
    }
  }
}

void BinaryStdout() {}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) != 0; }

}  // namespace cli
