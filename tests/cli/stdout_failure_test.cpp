// Every command whose stdout cannot take what it writes (a full disk, a
// closed stream) says so once and exits with 1, whatever else went well.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "tests/cli/cli_runner.h"

// Windows has neither /dev/full nor a closed stdout for a child.
#ifndef _WIN32
#include <sys/wait.h>

namespace {

// Each command's arguments: "A" the archive, "D" a folder unpacked from it, "O" a new folder.
// clang-format off
const std::vector<std::string> kCommands[] = {
    {"list", "A"}, {"list", "--json", "A"}, {"list", "-l", "A"}, {"test", "A"},
    {"print", "A", "one.txt"}, {"extract", "A", "O"}, {"update", "--dry-run", "A", "D"},
    {"update", "A", "D"}, {"--version"}, {"list", "--help"}};
// clang-format on

TEST(StdoutFailure, EveryCommandSaysItOnceAndFails) {
  for (const char* sink : {">/dev/full", ">&-"}) {
    for (const std::vector<std::string>& args : kCommands) {
      const std::string data(100000, 'x');  // more than one buffer of stdout
      const testcli::Unpacked u({.Entries = {testarchive::MakeEntry("one.txt", "", data, 3)}});
      const std::string archive = u.Archive, folder = u.Folder, out = u.Scratch / "o";
      ASSERT_TRUE(testarchive::WriteFileBytes(folder + "/one.txt", "edited"));
      std::string command = "'" TARNWICK_CLI "'";
      for (const std::string& a : args)
        command += " '" + (a == "A" ? archive : a == "D" ? folder : a == "O" ? out : a) + "'";
      command += std::string(" ") + sink + " 2>'" + (u.Scratch / "err") + "'";
      const int status = std::system(command.c_str());
      const std::string err = testarchive::ReadFileBytes(u.Scratch / "err").value_or("");
      SCOPED_TRACE(::testing::PrintToString(args) + sink + "\n" + err);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
      EXPECT_TRUE(err.starts_with("tarnwick-cli: cannot write to stdout") &&
                  std::count(err.begin(), err.end(), '\n') == 1);
      // A last write that fails comes with the system's reason.
      EXPECT_TRUE(args[0] != "--version" || sink[1] != '&' || err.find("stdout: ") != err.npos);
      // Nothing meant for stdout went into a file the command wrote.
      EXPECT_TRUE(args[0] != "extract" || testarchive::ReadFileBytes(out + "/one.txt") == data);
    }
  }
}

}  // namespace
#endif
