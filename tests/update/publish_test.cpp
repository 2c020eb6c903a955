// How an update's result takes the archive's place: the archive's links,
// permissions and other names, links inside DIR, leftovers of killed runs,
// and two runs at once. After each, the archive passes `test` and holds
// every edit of each run that succeeded; a run that failed changed nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <thread>

#include "tests/cli/cli_runner.h"
#include "tests/support/test_system.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

namespace fs = std::filesystem;
using testcli::RunCli;

struct Scene {
  testarchive::TempFolder scratch;
  std::string archive = scratch / "a.h4r", real = scratch / "real.h4r";
  std::string folder = scratch / "out", other = scratch / "out2";
  std::string bytes;
};

struct PublishCase {
  std::string title;
  // Makes the scene what the case is about; false: the system cannot (no links).
  std::function<bool(Scene&)> prepare;
  int status = 0;
  std::string says;  // in stderr
  // What the archive's name must still be, and what must hold of the file.
  std::function<void(const Scene&)> check = [](const Scene&) {};
};

testarchive::Archive Sample() {
  return {.entries = {testarchive::MakeEntry("one.txt", "", "first", 3),
                      testarchive::MakeEntry("two.txt", "", "second", 1)}};
}

std::string Printed(const std::string& archive, const std::string& entry) {
  return RunCli({"print", archive, entry}, true).Out;
}

#ifndef _WIN32
struct stat Stat(const std::string& name) {
  struct stat info {};
  EXPECT_EQ(::stat(name.c_str(), &info), 0) << name;
  return info;
}
#endif

bool LinkInDir(Scene& s, const std::string& at) {
  EXPECT_TRUE(testarchive::WriteFileBytes(s.scratch / "secret", "not for the archive"));
  fs::remove(s.folder + testarchive::Separator() + at);
  return testsystem::MakeLink(s.scratch / "secret", s.folder + testarchive::Separator() + at,
                              false);
}

const PublishCase kCases[] = {
    {.title = "an archive that is a link updates the file it points to",
     .prepare =
         [](Scene& s) {
           // Wine shows a Unix link as the file it points to: neither the
           // test nor std::filesystem there can tell what it left.
           if (testsystem::UnderWine()) return false;
           fs::rename(s.archive, s.real);
           return testsystem::MakeLink(s.real, s.archive, false);
         },
     .check =
         [](const Scene& s) {
           EXPECT_TRUE(fs::is_symlink(s.archive));
           EXPECT_EQ(Printed(s.real, "one.txt"), "edited");
         }},
#ifndef _WIN32
    {.title = "mode, owner and group are kept",
     .prepare =
         [](Scene& s) {
           // The owner and group where the test may give them (root).
           if (::geteuid() == 0 && ::chown(s.archive.c_str(), 65534, 65534) != 0) return false;
           return ::chmod(s.archive.c_str(), 0604) == 0;
         },
     .check =
         [](const Scene& s) {
           const struct stat info = Stat(s.archive);
           EXPECT_EQ(info.st_mode & 07777, 0604u);
           EXPECT_TRUE(::geteuid() != 0 || info.st_uid + info.st_gid == 2 * 65534u);
         }},
    {.title = "a read-only archive is refused",
     .prepare = [](Scene& s) { return ::chmod(s.archive.c_str(), 0444) == 0; },
     .status = 1,
     .says = "read-only; write the result elsewhere with -o NEW"},
#endif
    {.title = "an archive with another name is refused",
     .prepare =
         [](Scene& s) {
           fs::create_hard_link(s.archive, s.real);
           return true;
         },
     .status = 1,
     .says = "(hard links), which a new file in its place would part; write the result elsewhere "
             "with -o NEW",
     .check = [](const Scene& s) { EXPECT_EQ(testarchive::ReadFileBytes(s.real), s.bytes); }},
    {.title = "a file of DIR that is a link is not followed",
     .prepare = [](Scene& s) { return LinkInDir(s, "two.txt"); },
     .status = 1,
     .says = "two.txt: a symbolic link"},
    {.title = "a link in DIR where no entry goes is named as a link",
     .prepare = [](Scene& s) { return LinkInDir(s, "more"); },
     .says = "more: a symbolic link, which is never followed"},
    {.title = "leftovers of killed runs are passed over",
     .prepare =
         [](Scene& s) {
           for (int k = 0; k < 100; ++k)
             testarchive::WriteFileBytes(s.archive + ".update-" + std::to_string(k) + ".tmp", "");
           return true;
         }},
};

TEST(UpdatePublish, TheResultTakesTheArchivesPlaceOrNothingChanges) {
  for (const PublishCase& c : kCases) {
    SCOPED_TRACE(c.title);
    Scene s;
    s.bytes = testarchive::Build(Sample());
    ASSERT_TRUE(testarchive::WriteFileBytes(s.archive, s.bytes));
    ASSERT_EQ(RunCli({"extract", "--quiet", s.archive, s.folder}).Status, 0);
    ASSERT_TRUE(
        testarchive::WriteFileBytes(s.folder + testarchive::Separator() + "one.txt", "edited"));
    if (!c.prepare(s)) {
      std::cout << "skipped: " << c.title << "\n";
      continue;
    }
    const testcli::Run run = RunCli({"update", s.archive, s.folder});
    EXPECT_EQ(run.Status, c.status) << run.Err;
    EXPECT_NE(run.Err.find(c.says), std::string::npos) << run.Err;
    EXPECT_EQ(RunCli({"test", s.archive}).Status, 0);
    EXPECT_EQ(Printed(s.archive, "one.txt"), c.status == 0 ? "edited" : "first");
    EXPECT_EQ(Printed(s.archive, "two.txt"), "second");
    c.check(s);
  }
}

// Each run's DIR holds the one file it edits (a missing file leaves its entry
// alone); a run that reports success has its edit in the archive.
TEST(UpdatePublish, TwoUpdatesAtOnceLoseNoEdit) {
  for (int round = 0; round < 4; ++round) {
    Scene s;
    s.bytes = testarchive::Build(Sample());
    ASSERT_TRUE(testarchive::WriteFileBytes(s.archive, s.bytes));
    const std::string folders[] = {s.folder, s.other}, names[] = {"one.txt", "two.txt"};
    for (int k = 0; k < 2; ++k) {
      fs::create_directory(folders[k]);
      ASSERT_TRUE(
          testarchive::WriteFileBytes(folders[k] + testarchive::Separator() + names[k], "edit"));
    }
    testcli::Run runs[2];
    std::thread second([&] { runs[1] = RunCli({"update", s.archive, s.other}); });
    runs[0] = RunCli({"update", s.archive, s.folder});
    second.join();
    EXPECT_EQ(RunCli({"test", s.archive}).Status, 0);
    for (int k = 0; k < 2; ++k) {
      SCOPED_TRACE(runs[k].Err);
      if (runs[k].Status == 0) {
        EXPECT_EQ(Printed(s.archive, names[k]), "edit");
      } else {
        // Refused while the other held the archive; on Windows also while the
        // other renamed its result into place ("cannot open ...: Sharing violation").
        EXPECT_TRUE(runs[k].Err.find("nothing was written") != std::string::npos ||
                    runs[k].Err.find("cannot open") != std::string::npos);
      }
    }
  }
}

}  // namespace
