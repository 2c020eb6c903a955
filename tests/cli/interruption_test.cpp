// What a command leaves when it is interrupted: never a file shorter than
// its entry, no temporary file left over.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/cli_runner.h"

// Signals and stopping a child are POSIX's.
#ifndef _WIN32
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// The size of the file that tells the command is at work: `watched`, or the
// temporary file beside the archive it writes; 0 while there is none.
uintmax_t WorkSize(const std::string& folder, const std::string& watched) {
  std::error_code ec;
  if (!watched.empty()) return fs::exists(watched, ec) ? fs::file_size(watched, ec) : 0;
  for (const auto& f : fs::directory_iterator(folder, ec))
    if (f.path().extension() == ".tmp") return f.file_size(ec);
  return 0;
}

// Interrupted while it writes, a command removes what it had not finished
// (extract the entry's file, create and update their temporary file), says
// so and ends by the signal; the archive is as it was, and a later extract
// --skip-existing completes what the first one left.
TEST(Interrupted, NoUnfinishedFileIsLeftAndTheCommandEndsByTheSignal) {
  const std::string big(64 << 20, 'z');
  const testcli::Unpacked u({.Entries = {testarchive::MakeEntry("a.txt", "", "small", 3),
                                         testarchive::MakeEntry("big.dat", "", big, 3),
                                         testarchive::MakeEntry("c.txt", "", "small", 3)}});
  const testarchive::TempFolder& scratch = u.Scratch;
  const std::string archive = u.Archive, out = scratch / "o", err = scratch / "err";
  ASSERT_TRUE(testarchive::WriteFileBytes(u.Folder + "/big.dat", std::string(64 << 20, 'y')));
  // The command, the signal, and the file it writes (none: a temporary file).
  // clang-format off
  const struct { std::vector<std::string> Args; int Signal; std::string Watched; } cases[] = {
      {{"extract", "--jobs", "1", archive, out}, SIGINT, out + "/big.dat"},
      {{"create", scratch / "new.h4r", u.Folder}, SIGTERM, ""},
      {{"update", archive, u.Folder}, SIGINT, ""},
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Args[0]);
    // The shell becomes the command (exec), so that the signal reaches it.
    std::string command = "exec '" TARNWICK_CLI "'";
    for (const std::string& a : c.Args) command += " '" + a + "'";
    command += " 2>'" + err + "'";
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ),
              0);
    // Stopped, the child is looked at without a race: interrupted only while
    // its file is there and short of what it will hold.
    bool interrupted = false;
    for (int status = 0; !interrupted && waitpid(child, &status, WNOHANG) == 0;) {
      kill(child, SIGSTOP);
      waitpid(child, &status, WUNTRACED);
      const uintmax_t size = WorkSize(scratch.Path(), c.Watched);
      if (size > 0 && size < big.size()) {
        kill(child, c.Signal);
        interrupted = true;
      }
      kill(child, SIGCONT);
      usleep(1000);  // lets it get on
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(interrupted) << "it ended before it could be interrupted";
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == c.Signal) << status;
    EXPECT_NE(testarchive::ReadFileBytes(err).value_or("").find("interrupted"), std::string::npos);
    EXPECT_EQ(WorkSize(scratch.Path(), ""), 0u);
    EXPECT_FALSE(fs::exists(scratch / "new.h4r"));
    EXPECT_TRUE(testarchive::ReadFileBytes(archive) == u.Bytes);
  }
  std::error_code ec;
  EXPECT_TRUE(!fs::exists(out + "/big.dat") || fs::file_size(out + "/big.dat", ec) == big.size());
  EXPECT_EQ(testcli::RunCli({"extract", "--skip-existing", "--quiet", archive, out}).Status, 0);
  EXPECT_EQ(fs::file_size(out + "/big.dat", ec), big.size());
}

}  // namespace
#endif
