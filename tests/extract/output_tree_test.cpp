#include <gtest/gtest.h>

#include <filesystem>

#include "extract/folder_creation.h"
#include "extract/output_tree.h"
#include "tests/extract/file_names.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_system.h"

using extract::CreateFolderPath;
using extract::TreeProblem;
using testextract::FsPath;
using testextract::ReadBack;

// Files and folders below `folder`, at any depth.
static long Count(const std::string& folder) {
  return std::distance(std::filesystem::recursive_directory_iterator(FsPath(folder)), {});
}

// Every case starts from a fresh folder holding "out" with a file "file" in
// it, "real", "outside" (a file f.txt and an empty folder d) and maybe a link
// or FIFO; whatever the case asks for, "outside" stays as it was.
TEST(OutputTree, WritesBeneathTheOutputFolderAndNeverThroughALink) {
  using enum TreeProblem;
  const struct {
    std::string LinkTo, LinkAt;  // both below the fresh folder
    std::string Output, Folder, Name;
    TreeProblem Expected;
    std::string Where;  // relative to the fresh folder
  } cases[] = {
      // clang-format off
      {"", "", "out", "a\\\\.\\b/c\\", "f.txt", None, ""},
      {"", "", "new\\\\deeper//out\\", "", "f.txt", None, ""},
      {"\\outside\\d", "\\out\\l", "out", "l\\x", "f.txt", LinkInside, "out\\l"},
      {"\\outside\\f.txt", "\\out\\v", "out", "", "v", LinkInside, "out\\v"},
      {"\\outside\\none", "\\out\\v", "out", "", "v", LinkInside, "out\\v"},
      {"\\real", "\\link", "link", "s", "f.txt", None, ""},  // chosen: followed
      {"", "", "out\\", "", "p", FileNotCreated, "out\\p"},
      {"", "", "out", "file\\deeper", "f.txt", FolderNotCreated, "out\\file"},
      {"", "", "out\\file\\deeper", "", "f.txt", FolderNotCreated, "out\\file"},
      {"", "", "out", "", std::string(300, 'n'), NameTooLong, "out\\" + std::string(300, 'n')},
      {"", "", "out", "..\\up", "f.txt", FolderNotCreated, "out\\.."},
#ifndef _WIN32
      {"", "", "new\\at 10:30\\out", "", "f.txt", None, ""},
#endif
      // clang-format on
  };
  std::string untried;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.LinkAt + " " + c.Output + " " + c.Folder + " " + c.Name.substr(0, 9));
    testarchive::TempFolder dir;
    const std::string base = dir.Path(), output = base + "\\" + c.Output;
    ASSERT_TRUE(CreateFolderPath(base + "\\outside\\d") && CreateFolderPath(base + "\\real") &&
                CreateFolderPath(base + "\\out") &&
                testarchive::WriteFileBytes(dir / "outside" + "/f.txt", "keep") &&
                testarchive::WriteFileBytes(dir / "out" + "/file", "x"));
    const bool made =
        c.LinkAt.empty()
            ? c.Name != "p" || testsystem::RunShell(
                                   "mkfifo " + testsystem::ShellName(output + "\\p"), base + "\\st")
            : testsystem::MakeLink(base + c.LinkTo, base + c.LinkAt,
                                   std::filesystem::is_directory(FsPath(base + c.LinkTo)));
    if (!made) {
      untried += " " + c.LinkAt + c.Name;
      continue;
    }
    const bool writes = c.Expected == None;
    const std::string written = output + "\\" + c.Folder + "\\" + c.Name;
    {
      extract::OutputTree tree(output);
      extract::TreeFailure failure;
      io::StreamPtr file = tree.OpenForWriting(c.Folder, c.Name, failure);
      EXPECT_EQ(failure.Problem, c.Expected) << failure.Where << ": " << failure.SystemError;
      EXPECT_EQ(failure.Where, writes ? "" : base + "\\" + c.Where);
      EXPECT_EQ(failure.SystemError.empty(), writes || c.Expected == LinkInside);
      EXPECT_TRUE(c.Name != "p" || failure.SystemError == "not a regular file");
      EXPECT_EQ(file != nullptr, writes);
      if (file != nullptr) {
        EXPECT_EQ(io::StreamWrite(*file, "new", 3), 3u);
        file.reset();
        EXPECT_EQ(ReadBack(written), "new");
      }
      // Only what the tree created is removed: never a link, nor what it points to.
      EXPECT_EQ(tree.RemoveFile(c.Folder, c.Name), writes);
    }
    EXPECT_TRUE(!writes || !ReadBack(written).has_value());
    EXPECT_EQ(Count(base + "\\outside"), 2);
    EXPECT_EQ(ReadBack(base + "\\outside\\f.txt"), "keep");
    EXPECT_FALSE(std::filesystem::exists(FsPath(base + "\\up")));
    // Under Wine the folder's removal would follow the links and wait on the FIFO.
    testsystem::RunShell(
        "find " + testsystem::ShellName(base) + " -type l -delete -o -type p -delete",
        base + ".status");
  }
  if (!untried.empty()) GTEST_SKIP() << "this system cannot make the links or FIFO of:" << untried;
}

// A folder the tree holds open, or was handed by another tree, is used as it
// was opened: swapping it for a link afterwards sends nothing through the
// link, and one removed meanwhile is made afresh.
TEST(OutputTree, FoldersHeldOpenCannotBeSwappedForLinks) {
  testarchive::TempFolder dir;
  const std::string out = dir.Path() + "\\out";
  ASSERT_TRUE(CreateFolderPath(dir.Path() + "\\outside"));
  extract::OutputTree tree(out);
  extract::TreeFailure failure;
  ASSERT_NE(tree.OpenForWriting("a", "f.txt", failure), nullptr);
  std::error_code moved;
  std::filesystem::rename(FsPath(out + "\\a"), FsPath(out + "\\a2"), moved);
#ifdef _WIN32
  EXPECT_TRUE(moved);  // Windows keeps a folder held open from being renamed
#else
  ASSERT_FALSE(moved);
  ASSERT_TRUE(testsystem::MakeLink(dir.Path() + "\\outside", out + "\\a", true));
  ASSERT_NE(tree.OpenForWriting("a", "g.txt", failure), nullptr);
  EXPECT_EQ(Count(dir.Path() + "\\outside"), 0);
  EXPECT_TRUE(ReadBack(out + "\\a2\\g.txt").has_value());
  std::filesystem::remove_all(FsPath(out + "\\a2"));
  std::filesystem::remove(FsPath(out + "\\a"));
  ASSERT_NE(tree.OpenForWriting("a", "h.txt", failure), nullptr) << failure.SystemError;
  EXPECT_TRUE(Count(out) == 2 && ReadBack(out + "\\a\\h.txt").has_value());
  const io::fs::FileHandle handed = extract::OutputTree(out).TakeFolder("b", "f.txt");
  std::filesystem::rename(FsPath(out + "\\b"), FsPath(out + "\\b2"));
  ASSERT_TRUE(testsystem::MakeLink(dir.Path() + "\\outside", out + "\\b", true));
  tree.Adopt("b", handed);
  ASSERT_NE(tree.OpenForWriting("b", "f.txt", failure), nullptr);
  EXPECT_TRUE(Count(dir.Path() + "\\outside") == 0 && ReadBack(out + "\\b2\\f.txt"));
#endif
}
