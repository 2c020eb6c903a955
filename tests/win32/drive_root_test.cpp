// Unpacking straight into the root of a drive, which only Windows has.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <string>

#include "archive/directory_reader.h"
#include "extract/entry_extraction.h"
#include "io/stream.h"
#include "io/wide_text.h"
#include "tests/extract/file_names.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_system.h"

using extract::ExtractEntry;
using testarchive::MakeEntry;
using testextract::ReadBack;

TEST(ExtractEntry, DriveRootAsOutputFolder) {
  // A drive letter of its own, pointing at a fresh folder, stands in for a
  // real drive. Wine accepts the definition but does not resolve it; there
  // the prefix's own drive C: serves, which belongs to the test build.
  testarchive::TempFolder dir;
  std::wstring drive;
  for (wchar_t letter = L'T'; letter <= L'Y' && drive.empty(); ++letter) {
    const std::wstring name = std::wstring(1, letter) + L":";
    if (GetDriveTypeW((name + L"\\").c_str()) != DRIVE_NO_ROOT_DIR ||
        !DefineDosDeviceW(0, name.c_str(), io::WideFromUtf8(dir.Path()).c_str()))
      continue;
    if (GetFileAttributesW((name + L"\\").c_str()) != INVALID_FILE_ATTRIBUTES)
      drive = name;
    else
      DefineDosDeviceW(DDD_REMOVE_DEFINITION, name.c_str(), nullptr);
  }
  if (drive.empty() && !testsystem::UnderWine()) GTEST_SKIP() << "no drive letter could be defined";
  const std::string root =
      drive.empty() ? "C:\\" : io::Utf8FromWide(drive.c_str(), drive.size()) + "\\";
  const std::string unique = "tarnwick-root-" + std::to_string(GetCurrentProcessId());

  testarchive::Archive a;
  a.Entries = {MakeEntry("b.txt", unique, "B"), MakeEntry(unique + ".txt", "", "C")};
  ASSERT_TRUE(testarchive::WriteFileBytes(dir / "archive.h4r", testarchive::Build(a)));
  io::StreamPtr archive = io::OpenReadStream(dir / "archive.h4r");
  archive::EntryTable table;
  archive::ReadDirectory(*archive, table);
  ASSERT_EQ(table.size(), 2u);
  // Two backslashes follow the colon; the file system reads them as one.
  EXPECT_EQ(ExtractEntry(*archive, table[0], root).Destination, root + "\\" + unique + "\\b.txt");
  ExtractEntry(*archive, table[1], root);
  EXPECT_EQ(ReadBack(root + unique + "\\b.txt"), "B");
  EXPECT_EQ(ReadBack(root + unique + ".txt"), "C");
  std::error_code ignored;
  std::filesystem::remove_all(testextract::FsPath(root + unique), ignored);
  std::filesystem::remove(testextract::FsPath(root + unique + ".txt"), ignored);
  if (!drive.empty()) DefineDosDeviceW(DDD_REMOVE_DEFINITION, drive.c_str(), nullptr);
}
