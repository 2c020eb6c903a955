// The desktop program's end-of-command message about entries that failed.
#include <gtest/gtest.h>

#include <filesystem>

#include "archive/directory_reader.h"
#include "extract/entry_extraction.h"
#include "extract/unpack_report.h"
#include "kol/stream.h"
#include "tests/extract/file_names.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

using extract::FailureMessage;
using extract::UnpackReport;

using testarchive::MakeEntry;
using archive::ArchiveEntry;
using archive::EntryTable;
using archive::ReadDirectory;
namespace {


// Writes every entry of the archive into `folder` and keeps the outcomes.
UnpackReport UnpackAll(const testarchive::Archive& archive, const std::string& folder) {
  kol::StreamPtr stream = kol::CreateMemoryStream();
  const std::string bytes = testarchive::Build(archive);
  stream->Write(bytes.data(), static_cast<uint32_t>(bytes.size()));
  EntryTable table;
  ReadDirectory(*stream, table);
  UnpackReport report;
  for (ArchiveEntry& entry : table) report.Add(entry, extract::ExtractEntry(*stream, entry, folder));
  return report;
}

}  // namespace

TEST(UnpackReportTest, NamesTheFailedEntriesWithTheirReasonsAndCountsTheRest) {
  testarchive::TempFolder out;
  testarchive::Archive archive;
  archive.entries.push_back(MakeEntry("good.txt", "data\\", "fine"));
  archive.entries.push_back(MakeEntry("evil.txt", "..\\..\\", "outside"));
  testarchive::Entry damaged = MakeEntry("cancel.h4r", "layers\\button\\", std::string(300, 'x'), 3);
  std::string member = testarchive::GzipMember(damaged.data);
  member[member.size() - 6] ^= 0x55;  // the trailer's CRC-32 no longer fits
  damaged.stored = member;
  archive.entries.push_back(damaged);
  archive.entries.push_back(MakeEntry("CON", "", "device"));
  testarchive::Entry unknown = MakeEntry("odd.bin", "", "data", 7);
  archive.entries.push_back(unknown);
  archive.entries.push_back(MakeEntry("a.txt", "x\\ . \\", "dots"));
  archive.entries.push_back(MakeEntry("b.txt", "..", "six"));
  // An empty compressed entry whose file cannot be made (a folder has its
  // name): a file-system problem, not cut data.
  testarchive::Entry emptyZ = MakeEntry("e.z", "", "", 3);
  emptyZ.storedSize = 0;
  emptyZ.size = 0;
  archive.entries.insert(archive.entries.begin(), emptyZ);
  std::filesystem::create_directory(testextract::FsPath(out.Path() + "\\e.z"));

  const UnpackReport report = UnpackAll(archive, out.Path());
  EXPECT_EQ(report.Written, 1u);
  EXPECT_EQ(report.Failed, 7u);
  ASSERT_EQ(report.FirstFailures.size(), extract::kNamedFailures);

  const std::string text = FailureMessage(report);
  EXPECT_NE(text.find("Файлов с ошибками: 7 из 8."), std::string::npos) << text;
  EXPECT_NE(text.find("e.z: не удалось создать или записать файл"), std::string::npos) << text;
  EXPECT_NE(text.find("..\\..\\evil.txt: путь файла ведёт за пределы выбранной папки"), std::string::npos)
      << text;
  EXPECT_NE(text.find("layers\\button\\cancel.h4r: данные файла в архиве повреждены"), std::string::npos)
      << text;
  EXPECT_NE(text.find("CON: имя файла недопустимо в Windows"), std::string::npos) << text;
  EXPECT_NE(text.find("odd.bin: неизвестный способ сжатия (7)"), std::string::npos) << text;
  EXPECT_EQ(text.find("b.txt"), std::string::npos) << "only the first few are named";
  EXPECT_NE(text.find("...и ещё 2."), std::string::npos) << text;
  EXPECT_EQ(text.find("good.txt"), std::string::npos);
}

TEST(UnpackReportTest, SaysNothingForACleanRunAndTellsAnArchiveThatCouldNotBeOpened) {
  testarchive::TempFolder out;
  testarchive::Archive archive;
  archive.entries.push_back(MakeEntry("one.txt", "a\\", "1"));
  archive.entries.push_back(MakeEntry("two.txt", "b\\", std::string(5000, 'z'), 3));
  UnpackReport report = UnpackAll(archive, out.Path());
  EXPECT_EQ(report.Written, 2u);
  EXPECT_EQ(FailureMessage(report), "");

  report = UnpackReport{};
  report.ArchiveOpened = false;
  report.ArchiveFileName = "C:\\Игры\\gone.h4r";
  const std::string text = FailureMessage(report);
  EXPECT_NE(text.find("Не удалось открыть файл архива\nC:\\Игры\\gone.h4r"), std::string::npos) << text;
  EXPECT_NE(text.find("Ничего не распаковано"), std::string::npos) << text;
}
