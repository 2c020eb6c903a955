// The few system calls the portable tests need beyond the program's own file
// backend, with a POSIX and a Win32 implementation: symbolic links, a Unix
// shell (which Wine starts as well), the system's error codes. Names are
// UTF-8 with "\" separators, as the program uses them.
#pragma once

#include <cstdint>
#include <string>

namespace testsystem {

// True when the tests run under Wine; false on Linux and on Windows itself.
bool UnderWine();

// The name as a Unix shell command takes it: the Unix name in single quotes
// ('' on Windows itself, where there is none).
std::string ShellName(const std::string& name);

// Runs a Unix shell command to its end; true when it succeeded, false where
// there is no Unix shell. Wine starts Unix programs without a handle to wait
// on: the shell leaves its exit status in `statusFile`, which is waited for.
bool RunShell(const std::string& command, const std::string& statusFile);

// Makes `link` a symbolic link to `target`; false where the system will not
// (Windows without the privilege or developer mode). Wine cannot make links
// through the Windows API (CreateSymbolicLinkW reports success and makes
// nothing, FSCTL_SET_REPARSE_POINT is not supported): there the Unix shell
// makes them.
bool MakeLink(const std::string& target, const std::string& link, bool folder);

// While it lives, the process runs under a lower limit: no file it writes
// can grow past `value` bytes (a write beyond fails as on a full disk), it
// can hold no more than `value` files and folders open, or its address space
// cannot grow past `value` bytes. Not Active where the system has no such
// limits (Windows).
enum class Limit { FileSize, OpenFiles, AddressSpace };
class ProcessLimit {
 public:
  ProcessLimit(Limit limit, uint64_t value);
  ~ProcessLimit();
  ProcessLimit(const ProcessLimit&) = delete;
  ProcessLimit& operator=(const ProcessLimit&) = delete;
  bool Active() const { return active_; }

 private:
  int resource_ = 0;
  bool active_ = false;
  uint64_t previous_ = 0;
};

}  // namespace testsystem
