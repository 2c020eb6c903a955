#include <algorithm>
#include <cerrno>
#include <cstdlib>

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

}  // namespace testsystem
