#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#include "extract/folder_creation.h"
#include "extract/output_tree.h"
#include "kol/file_backend.h"
#include "tests/extract/file_names.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_system.h"

using extract::CreateFolderPath;
using extract::OutputTree;
using extract::StripTrailingBackslash;
using extract::TreeFailure;
using extract::TreeProblem;
using testextract::FsPath;
using testextract::Listing;
using testextract::ReadBack;
using testsystem::IsLink;
using testsystem::MakeLink;
using testsystem::RunShell;
using testsystem::ShellName;

TEST(StripTrailingBackslash, RemovesOneBackslashOnly) {
  EXPECT_EQ(StripTrailingBackslash("a\\b\\"), "a\\b");
  EXPECT_EQ(StripTrailingBackslash("a\\b\\\\"), "a\\b\\");
  EXPECT_EQ(StripTrailingBackslash("a\\b"), "a\\b");
  EXPECT_EQ(StripTrailingBackslash("\\"), "");
}

TEST(CreateFolderPath, CreatesMissingLevelsOutermostFirst) {
  testarchive::TempFolder dir;
  const std::string out = dir.Path();
  EXPECT_TRUE(CreateFolderPath(out));
  EXPECT_TRUE(CreateFolderPath(out + "\\"));

  EXPECT_TRUE(CreateFolderPath(out + "\\x\\y\\z\\"));
  EXPECT_TRUE(kol::fs::IsExistingDirectory(out + "\\x"));
  EXPECT_TRUE(kol::fs::IsExistingDirectory(out + "\\x\\y\\z"));

  // Runs of separators read as one, also when the outer level is missing
  // and at the end; "/" separates as "\" does.
  EXPECT_TRUE(CreateFolderPath(out + "\\\\p\\\\q\\"));
  EXPECT_TRUE(kol::fs::IsExistingDirectory(out + "\\p\\q"));
  EXPECT_TRUE(CreateFolderPath(out + "\\r\\\\"));
  EXPECT_TRUE(kol::fs::IsExistingDirectory(out + "\\r"));
  EXPECT_TRUE(CreateFolderPath(out + "/s//t/"));
  EXPECT_TRUE(kol::fs::IsExistingDirectory(out + "\\s\\t"));

  // Drives and two-character texts end the recursion without looking.
  EXPECT_TRUE(CreateFolderPath("C:\\"));
  EXPECT_TRUE(CreateFolderPath("zq"));
  EXPECT_FALSE(kol::fs::IsExistingDirectory("zq"));
  EXPECT_TRUE(CreateFolderPath(""));
}

TEST(CreateFolderPath, LevelThatIsAFileStopsAndSaysWhy) {
  testarchive::TempFolder dir;
  ASSERT_TRUE(testarchive::WriteFileBytes(dir / "file", "x"));
  std::string failure;
  EXPECT_FALSE(CreateFolderPath(dir.Path() + "\\file\\deeper\\deepest\\", &failure));
  EXPECT_NE(failure.find("cannot create folder"), std::string::npos);
  EXPECT_NE(failure.find("file: "), std::string::npos) << failure;
  EXPECT_EQ(failure.find("deeper"), std::string::npos) << failure;
  EXPECT_FALSE(CreateFolderPath(dir.Path() + "\\file"));
}

TEST(CreateFolderPath, RelativeTextIsMadeBelowTheCurrentDirectory) {
  testarchive::TempFolder dir;
  const std::string before = kol::fs::CurrentDirectory();
  std::filesystem::current_path(FsPath(dir.Path()));
  EXPECT_TRUE(CreateFolderPath("rel\\sub\\"));
  std::filesystem::current_path(FsPath(before));
  EXPECT_TRUE(kol::fs::IsExistingDirectory(dir.Path() + "\\rel\\sub"));
}

// Every case starts from a fresh folder holding "outside" (a file f.txt and
// an empty folder d) beside the output folder "out"; whatever the case asks
// for, nothing in "outside" may change.
TEST(OutputTree, WritesBeneathTheOutputFolderAndNeverThroughALink) {
  struct Case {
    const char* what;
    std::function<bool(const std::string& base)> prepare;  // false: the system cannot make it
    std::string output;                                    // relative to the base
    std::string folder;
    std::string name;
    TreeProblem expected;
    std::string where;  // relative to the output folder
  };
  const auto nothing = [](const std::string&) { return true; };
  const std::string longName(300, 'n');
  const std::vector<Case> cases = {
      {"nested folders, runs of separators and dots", nothing, "out", "a\\\\.\\b/c\\", "f.txt",
       TreeProblem::None, ""},
      {"a link to a folder outside as a folder",
       [](const std::string& b) {
         return CreateFolderPath(b + "\\out") &&
                MakeLink(b + "\\outside\\d", b + "\\out\\link", true);
       },
       "out", "link\\x", "f.txt", TreeProblem::LinkInside, "link"},
      {"a link to a file outside as the name",
       [](const std::string& b) {
         return CreateFolderPath(b + "\\out") &&
                MakeLink(b + "\\outside\\f.txt", b + "\\out\\v.txt", false);
       },
       "out", "", "v.txt", TreeProblem::LinkInside, "v.txt"},
      {"a link to nothing as the name",
       [](const std::string& b) {
         return CreateFolderPath(b + "\\out") &&
                MakeLink(b + "\\outside\\missing.txt", b + "\\out\\dangling.txt", false);
       },
       "out", "", "dangling.txt", TreeProblem::LinkInside, "dangling.txt"},
      {"a link two levels down",
       [](const std::string& b) {
         return CreateFolderPath(b + "\\out\\a\\b") &&
                MakeLink(b + "\\outside\\d", b + "\\out\\a\\b\\c", true);
       },
       "out", "a\\b\\c\\e", "f.txt", TreeProblem::LinkInside, "a\\b\\c"},
      {"the output folder itself a link",
       [](const std::string& b) {
         return CreateFolderPath(b + "\\real") && MakeLink(b + "\\real", b + "\\out", true);
       },
       "out", "s", "f.txt", TreeProblem::None, ""},
      {"a FIFO as the name",
       [](const std::string& b) {
         return CreateFolderPath(b + "\\out") &&
                RunShell("mkfifo " + ShellName(b + "\\out\\p"), b + "\\status");
       },
       "out", "", "p", TreeProblem::FileNotCreated, "p"},
      {"a file where a folder must be",
       [](const std::string& b) {
         return CreateFolderPath(b + "\\out") &&
                testarchive::WriteFileBytes(testextract::SystemName(b + "\\out\\file"), "x");
       },
       "out", "file\\deeper", "f.txt", TreeProblem::FolderNotCreated, "file"},
      {"a name longer than a file system takes", nothing, "out", "", longName,
       TreeProblem::NameTooLong, longName},
      {"a folder above the output folder", nothing, "out", "..\\up", "f.txt",
       TreeProblem::FolderNotCreated, ".."},
#ifndef _WIN32
      {"a colon inside the output folder's name", nothing, "new\\at 10:30\\out", "", "f.txt",
       TreeProblem::None, ""},
#endif
  };

  std::vector<std::string> unsupported;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testarchive::TempFolder dir;
    const std::string base = dir.Path();
    ASSERT_TRUE(CreateFolderPath(base + "\\outside\\d"));
    ASSERT_TRUE(
        testarchive::WriteFileBytes(testextract::SystemName(base + "\\outside\\f.txt"), "keep"));
    if (!c.prepare(base)) {
      unsupported.push_back(c.what);
      continue;
    }
    const std::string outside = Listing(base + "\\outside");
    const std::string output = base + "\\" + c.output;
    {
      OutputTree tree(output);
      TreeFailure failure;
      kol::StreamPtr file = tree.OpenForWriting(c.folder, c.name, failure);
      EXPECT_EQ(failure.Problem, c.expected) << failure.Where << ": " << failure.SystemError;
      EXPECT_EQ(file != nullptr, c.expected == TreeProblem::None);
      std::string written = output + "\\" + c.folder + "\\" + c.name;
      std::replace(written.begin(), written.end(), '/', '\\');
      if (file != nullptr) {
        EXPECT_EQ(kol::StreamWrite(*file, "new", 3), 3u);
        file.reset();
        EXPECT_EQ(ReadBack(written), "new");
      } else {
        EXPECT_EQ(failure.Where, output + "\\" + c.where);
        EXPECT_EQ(failure.SystemError.empty(), c.expected == TreeProblem::LinkInside)
            << failure.SystemError;
      }
      // Only what the tree created is removed: never a link, nor what it points to.
      EXPECT_EQ(tree.RemoveFile(c.folder, c.name), c.expected == TreeProblem::None);
      if (c.expected == TreeProblem::None) {
        EXPECT_FALSE(ReadBack(written).has_value());
      }
    }
    EXPECT_EQ(Listing(base + "\\outside"), outside);
    EXPECT_EQ(ReadBack(base + "\\outside\\f.txt"), "keep");
    EXPECT_FALSE(std::filesystem::exists(FsPath(base + "\\up")));
    if (c.expected == TreeProblem::LinkInside) {
      EXPECT_TRUE(IsLink(output + "\\" + c.where));
    }
    // Under Wine the folder's removal would follow the links and wait on the FIFO.
    RunShell("find " + ShellName(base) + " -type l -delete -o -type p -delete", base + ".status");
  }
  if (!unsupported.empty()) {
    std::string list;
    for (const std::string& u : unsupported) list += "\n  " + u;
    GTEST_SKIP()
        << "this system cannot make what these cases need (links need a privilege or developer "
           "mode on Windows, FIFOs exist only on Unix):"
        << list;
  }
}

// A folder the tree holds open is used as it was opened: swapping it for a
// link afterwards sends nothing through the link, and one removed meanwhile
// is made afresh.
TEST(OutputTree, FoldersHeldOpenCannotBeSwappedForLinks) {
  testarchive::TempFolder dir;
  const std::string out = dir.Path() + "\\out";
  ASSERT_TRUE(CreateFolderPath(dir.Path() + "\\outside"));
  OutputTree tree(out);
  TreeFailure failure;
  ASSERT_NE(tree.OpenForWriting("a", "f.txt", failure), nullptr);

  std::error_code moved;
  std::filesystem::rename(FsPath(out + "\\a"), FsPath(out + "\\a2"), moved);
#ifdef _WIN32
  // Windows keeps a folder held open from being renamed or removed.
  EXPECT_TRUE(moved);
#else
  ASSERT_FALSE(moved);
  ASSERT_TRUE(MakeLink(dir.Path() + "\\outside", out + "\\a", true));
  ASSERT_NE(tree.OpenForWriting("a", "g.txt", failure), nullptr);
  EXPECT_EQ(Listing(dir.Path() + "\\outside"), "");
  EXPECT_EQ(Listing(out + "\\a2"), "f.txt\ng.txt\n");

  std::filesystem::remove_all(FsPath(out + "\\a2"));
  std::filesystem::remove(FsPath(out + "\\a"));
  ASSERT_NE(tree.OpenForWriting("a", "h.txt", failure), nullptr)
      << failure.Where << ": " << failure.SystemError;
  EXPECT_EQ(Listing(out), "a\na/h.txt\n");
#endif
}
