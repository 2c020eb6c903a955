#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>

#include <sys/resource.h>

#include "tests/support/test_system.h"

namespace testsystem {

bool UnderWine() { return false; }

std::string ShellName(const std::string& name) {
  std::string unix = name;
  std::replace(unix.begin(), unix.end(), '\\', '/');
  return "'" + unix + "'";
}

bool RunShell(const std::string& command, const std::string&) {
  return std::system(command.c_str()) == 0;
}

bool MakeLink(const std::string& target, const std::string& link, bool) {
  return RunShell("ln -s " + ShellName(target) + " " + ShellName(link), link + ".status");
}

void SetDiskFullError() { errno = ENOSPC; }

FileSizeLimit::FileSizeLimit(uint64_t bytes) {
  rlimit limit{};
  if (getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
  previous_ = limit.rlim_cur;
  std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead of ending the process
  limit.rlim_cur = bytes;
  active_ = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

FileSizeLimit::~FileSizeLimit() {
  rlimit limit{};
  if (!active_ || getrlimit(RLIMIT_FSIZE, &limit) != 0) return;
  limit.rlim_cur = previous_;
  setrlimit(RLIMIT_FSIZE, &limit);
}

}  // namespace testsystem
