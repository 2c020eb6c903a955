#include <gtest/gtest.h>

#include "extract/folder_creation.h"
#include "kol/file_helpers.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"
#include "tests/extract/file_names.h"

using extract::CreateFolderPath;
using extract::StripTrailingBackslash;

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
  EXPECT_TRUE(kol::IsExistingDirectory(out + "\\x"));
  EXPECT_TRUE(kol::IsExistingDirectory(out + "\\x\\y\\z"));

  // Runs of backslashes read as one, also when the outer level is missing
  // and at the end.
  EXPECT_TRUE(CreateFolderPath(out + "\\\\p\\\\q\\"));
  EXPECT_TRUE(kol::IsExistingDirectory(out + "\\p\\q"));
  EXPECT_TRUE(CreateFolderPath(out + "\\r\\\\"));
  EXPECT_TRUE(kol::IsExistingDirectory(out + "\\r"));

  // Drives and two-character texts end the recursion without looking.
  EXPECT_TRUE(CreateFolderPath("C:\\"));
  EXPECT_TRUE(CreateFolderPath("zq"));
  EXPECT_FALSE(kol::IsExistingDirectory("zq"));
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
  const std::string before = kol::CurrentDirectory();
  std::filesystem::current_path(testextract::FsPath(dir.Path()));
  EXPECT_TRUE(CreateFolderPath("rel\\sub\\"));
  std::filesystem::current_path(testextract::FsPath(before));
  EXPECT_TRUE(kol::IsExistingDirectory(dir.Path() + "\\rel\\sub"));
}
