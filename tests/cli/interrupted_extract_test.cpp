// What extract leaves when it is interrupted, and when a file is already at
// a destination: never a file shorter than its entry, never a change to a
// file through another of its names.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/cli_runner.h"

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;

// The other name of a file at a destination keeps what it held; the
// destination gets the entry's content.
TEST(ExtractReplacing, AFileThereIsReplacedNotWrittenInto) {
  testarchive::TempFolder scratch;
  const std::string archive = scratch / "a.h4r", out = scratch / "out",
                    outside = scratch / "outside.txt";
  ASSERT_TRUE(testarchive::WriteFileBytes(
      archive,
      testarchive::Build({.Entries = {testarchive::MakeEntry("x.txt", "", "from the archive", 3),
                                      testarchive::MakeEntry("y.txt", "", "stored", 1)}})));
  fs::create_directory(out);
  ASSERT_TRUE(testarchive::WriteFileBytes(outside, "mine"));
  for (const char* name : {"x.txt", "y.txt"}) fs::create_hard_link(outside, out + "/" + name);
  EXPECT_EQ(testcli::RunCli({"extract", archive, out}).Status, 0);
  EXPECT_EQ(testarchive::ReadFileBytes(outside), "mine");
  EXPECT_EQ(testarchive::ReadFileBytes(out + "/x.txt"), "from the archive");
  EXPECT_EQ(testarchive::ReadFileBytes(out + "/y.txt"), "stored");
}

#ifndef _WIN32
// Interrupted while it writes a large entry, extract removes that file,
// says so, and ends by the signal; a later --skip-existing run completes it.
TEST(ExtractInterrupted, LeavesNoShortFileAndEndsByTheSignal) {
  testarchive::TempFolder scratch;
  const std::string archive = scratch / "a.h4r", out = scratch / "out", err = scratch / "err";
  const std::string big(64 << 20, 'z');
  ASSERT_TRUE(testarchive::WriteFileBytes(
      archive, testarchive::Build({.Entries = {testarchive::MakeEntry("a.txt", "", "small", 3),
                                               testarchive::MakeEntry("big.dat", "", big, 3),
                                               testarchive::MakeEntry("c.txt", "", "small", 3)}})));
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                   0644);
  const char* argv[] = {TARNWICK_CLI,    "extract",   "--jobs", "1",
                        archive.c_str(), out.c_str(), nullptr};
  pid_t child = 0;
  ASSERT_EQ(posix_spawn(&child, TARNWICK_CLI, &files, nullptr, const_cast<char**>(argv), environ),
            0);
  posix_spawn_file_actions_destroy(&files);
  // Stopped, the child is looked at without a race: interrupted only while
  // big.dat is being written.
  bool interrupted = false;
  for (int status = 0; !interrupted && waitpid(child, &status, WNOHANG) == 0;) {
    kill(child, SIGSTOP);
    waitpid(child, &status, WUNTRACED);
    std::error_code ec;
    const uintmax_t size = fs::file_size(out + "/big.dat", ec);
    if (!ec && size > 0 && size < big.size()) {
      kill(child, SIGINT);
      interrupted = true;
    }
    kill(child, SIGCONT);
    usleep(1000);  // lets it get on
  }
  int status = 0;
  waitpid(child, &status, 0);
  if (!interrupted) GTEST_SKIP() << "extract ended before it could be interrupted";
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT) << status;
  EXPECT_NE(testarchive::ReadFileBytes(err).value_or("").find("interrupted"), std::string::npos);
  std::error_code ec;
  EXPECT_TRUE(!fs::exists(out + "/big.dat") || fs::file_size(out + "/big.dat", ec) == big.size());
  EXPECT_EQ(testcli::RunCli({"extract", "--skip-existing", "--quiet", archive, out}).Status, 0);
  EXPECT_EQ(fs::file_size(out + "/big.dat", ec), big.size());
}
#endif

}  // namespace
