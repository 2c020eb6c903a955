#include "tests/cli/cli_runner.h"

#include <cstdio>
#include <cstdlib>

#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

#ifdef _WIN32
#define popen _popen
#define pclose _pclose
#else
#include <sys/wait.h>
#endif

namespace testcli {
namespace {

std::string Quote(const std::string& arg) {
#ifdef _WIN32
  return "\"" + arg + "\"";
#else
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
#endif
}

}  // namespace

Run RunCli(const std::vector<std::string>& args) {
  testarchive::TempFolder scratch;
  const std::string errFile = scratch / "stderr.txt";
  std::string command = Quote(TARNWICK_CLI);
  for (const std::string& a : args) command += " " + Quote(a);
  command += " 2>" + Quote(errFile);
#ifdef _WIN32
  // cmd.exe strips the outer quotes of a command line that starts with one.
  command = "\"" + command + "\"";
#endif
  Run run;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.Out.append(buffer, n);
  const int status = pclose(pipe);
#ifdef _WIN32
  run.Status = status;
#else
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  run.Err = testarchive::ReadFileBytes(errFile).value_or("");
  return run;
}

}  // namespace testcli
