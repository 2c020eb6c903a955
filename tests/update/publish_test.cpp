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

// An archive of two entries, unpacked beside it.
struct Scene : testcli::Unpacked {
  std::string Real = Scratch / "real.h4r";
  Scene()
      : Unpacked({.Entries = {testarchive::MakeEntry("one.txt", "", "first", 3),
                              testarchive::MakeEntry("two.txt", "", "second", 1)}}) {}
};

struct PublishCase {
  std::string Title;
  // Makes the scene what the case is about; false: the system cannot (no links).
  std::function<bool(Scene&)> Prepare;
  int Status = 0;
  std::string Says;  // in stderr
  // What the archive's name must still be, and what must hold of the file.
  std::function<void(const Scene&)> Check = [](const Scene&) {};
};

std::string Printed(const std::string& archive, const std::string& entry) {
  return RunCli({"print", archive, entry}, true).Out;
}

bool LinkInDir(Scene& s, const std::string& at) {
  EXPECT_TRUE(testarchive::WriteFileBytes(s.Scratch / "secret", "not for the archive"));
  fs::remove(s.File({.Name = at}));
  return testsystem::MakeLink(s.Scratch / "secret", s.File({.Name = at}), false);
}

const PublishCase kCases[] = {
    {.Title = "an archive that is a link updates the file it points to",
     .Prepare =
         [](Scene& s) {
           // Wine shows a Unix link as the file it points to: neither the
           // test nor std::filesystem there can tell what it left.
           if (testsystem::UnderWine()) return false;
           fs::rename(s.Archive, s.Real);
           return testsystem::MakeLink(s.Real, s.Archive, false);
         },
     .Check =
         [](const Scene& s) {
           EXPECT_TRUE(fs::is_symlink(s.Archive));
           EXPECT_EQ(Printed(s.Real, "one.txt"), "edited");
         }},
#ifndef _WIN32
    {.Title = "mode, owner and group are kept",
     .Prepare =
         [](Scene& s) {
           // The owner and group where the test may give them (root).
           if (::geteuid() == 0 && ::chown(s.Archive.c_str(), 65534, 65534) != 0) return false;
           return ::chmod(s.Archive.c_str(), 0604) == 0;
         },
     .Check =
         [](const Scene& s) {
           struct stat info {};
           ASSERT_EQ(::stat(s.Archive.c_str(), &info), 0);
           EXPECT_EQ(info.st_mode & 07777, 0604u);
           EXPECT_TRUE(::geteuid() != 0 || info.st_uid + info.st_gid == 2 * 65534u);
         }},
    {.Title = "a read-only archive is refused",
     .Prepare = [](Scene& s) { return ::chmod(s.Archive.c_str(), 0444) == 0; },
     .Status = 1,
     .Says = "read-only; write the result elsewhere with -o NEW"},
#endif
    {.Title = "an archive with another name is refused",
     .Prepare =
         [](Scene& s) {
           fs::create_hard_link(s.Archive, s.Real);
           return true;
         },
     .Status = 1,
     .Says = "(hard links), which a new file in its place would part; write the result elsewhere "
             "with -o NEW",
     .Check = [](const Scene& s) { EXPECT_EQ(testarchive::ReadFileBytes(s.Real), s.Bytes); }},
    {.Title = "a file of DIR that is a link is not followed",
     .Prepare = [](Scene& s) { return LinkInDir(s, "two.txt"); },
     .Status = 1,
     .Says = "two.txt: a symbolic link"},
    {.Title = "a link in DIR where no entry goes is named as a link",
     .Prepare = [](Scene& s) { return LinkInDir(s, "more"); },
     .Says = "more: a symbolic link, which is never followed"},
    {.Title = "leftovers of killed runs are passed over",
     .Prepare =
         [](Scene& s) {
           for (int k = 0; k < 100; ++k)
             testarchive::WriteFileBytes(s.Archive + ".update-" + std::to_string(k) + ".tmp", "");
           return true;
         }},
};

TEST(UpdatePublish, TheResultTakesTheArchivesPlaceOrNothingChanges) {
  for (const PublishCase& c : kCases) {
    SCOPED_TRACE(c.Title);
    Scene s;
    ASSERT_TRUE(testarchive::WriteFileBytes(s.Folder + "/one.txt", "edited"));
    if (!c.Prepare(s)) {
      std::cout << "skipped: " << c.Title << "\n";
      continue;
    }
    const testcli::Run run = RunCli({"update", s.Archive, s.Folder});
    EXPECT_EQ(run.Status, c.Status) << run.Err;
    EXPECT_NE(run.Err.find(c.Says), std::string::npos) << run.Err;
    EXPECT_EQ(RunCli({"test", s.Archive}).Status, 0);
    EXPECT_EQ(Printed(s.Archive, "one.txt"), c.Status == 0 ? "edited" : "first");
    EXPECT_EQ(Printed(s.Archive, "two.txt"), "second");
    c.Check(s);
  }
}

// Each run's DIR holds the one file it edits (a missing file leaves its entry
// alone); a run that reports success has its edit in the archive.
TEST(UpdatePublish, TwoUpdatesAtOnceLoseNoEdit) {
  for (int round = 0; round < 4; ++round) {
    Scene s;
    const std::string folders[] = {s.Scratch / "d1", s.Scratch / "d2"},
                      names[] = {"one.txt", "two.txt"};
    for (int k = 0; k < 2; ++k) {
      fs::create_directory(folders[k]);
      ASSERT_TRUE(testarchive::WriteFileBytes(folders[k] + "/" + names[k], "edit"));
    }
    testcli::Run runs[2];
    std::thread second([&] { runs[1] = RunCli({"update", s.Archive, folders[1]}); });
    runs[0] = RunCli({"update", s.Archive, folders[0]});
    second.join();
    EXPECT_EQ(RunCli({"test", s.Archive}).Status, 0);
    for (int k = 0; k < 2; ++k) {
      SCOPED_TRACE(runs[k].Err);
      if (runs[k].Status == 0) {
        EXPECT_EQ(Printed(s.Archive, names[k]), "edit");
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
