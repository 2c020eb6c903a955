#include <algorithm>
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

ProcessLimit::ProcessLimit(Limit limit, uint64_t value)
    : resource_(limit == Limit::FileSize    ? RLIMIT_FSIZE
                : limit == Limit::OpenFiles ? RLIMIT_NOFILE
                                            : RLIMIT_AS) {
  rlimit current{};
  if (getrlimit(resource_, &current) != 0) return;
  previous_ = current.rlim_cur;
  // A write past the size fails with EFBIG instead of ending the process.
  std::signal(SIGXFSZ, SIG_IGN);
  current.rlim_cur = value;
  active_ = setrlimit(resource_, &current) == 0;
}

ProcessLimit::~ProcessLimit() {
  rlimit current{};
  if (!active_ || getrlimit(resource_, &current) != 0) return;
  current.rlim_cur = previous_;
  setrlimit(resource_, &current);
}

}  // namespace testsystem
