// Every problem the core can report reaches the user in words of its own, in
// the CLI's English and in the desktop program's Russian.
#include <gtest/gtest.h>

#include <set>

#include "cli/outcome_text.h"
#include "extract/unpack_report.h"

using extract::ExtractOutcome;
using extract::ExtractStatus;
using extract::Problem;

TEST(OutcomeText, EveryProblemHasItsOwnWordsInBothLanguages) {
  const struct {
    Problem kind;
    const char* english;
    const char* russian;
  } cases[] = {
      {Problem::NoOutputFolder, "no output folder", "не удалось создать или записать"},
      {Problem::ClimbsOut, "climbs out", "за пределы выбранной папки"},
      {Problem::DotsFolder, "named only by dots", "за пределы выбранной папки"},
      {Problem::BadCharInFolder, "folder name with a character", "имя папки, недопустимое"},
      {Problem::DeviceFolder, "folder named after a Windows device (D)", "имя папки, недопустимое"},
      {Problem::EmptyName, "name is empty", "имя файла недопустимо"},
      {Problem::DotsName, "name \"D\" cannot be", "имя файла недопустимо"},
      {Problem::SlashInName, "contains a slash", "имя файла недопустимо"},
      {Problem::BadCharInName, "name contains a character", "имя файла недопустимо"},
      {Problem::DeviceName, "\"D\" is a Windows device name", "имя файла недопустимо"},
      {Problem::NegativeStoredSize, "stored size is negative (7)", "отрицательный размер"},
      {Problem::NegativeSize, "unpacked size is negative (7)", "отрицательный размер"},
      {Problem::TooFewForGzip, "its 7 bytes of compressed data are too few", "сжатые данные файла в архиве обрезаны"},
      {Problem::NoCompressionCode, "no compression code", "не указан способ сжатия"},
      {Problem::UnknownCompression, "compression code 7 is unknown", "неизвестный способ сжатия (7)"},
      {Problem::LinkInside, "symbolic link stands in its way (D)", "символическая ссылка"},
      {Problem::FolderNotCreated, "cannot create folder D: E", "не удалось создать или записать"},
      {Problem::FileNotCreated, "cannot create the file: E", "не удалось создать или записать"},
      {Problem::NameTooLong, "too long for the file system (D)", "слишком длинное"},
      {Problem::WriteFailed, "writing failed after 2 of 3 bytes: E", "не удалось создать или записать"},
      {Problem::OutOfMemory, "not enough memory", "не хватило памяти"},
      {Problem::ArchiveUnreadable, "archive cannot be read: E", "не удалось прочитать архив"},
      {Problem::DataBeyondEnd, "beyond the end of the archive", "повреждены"},
      {Problem::ArchiveEndsEarly, "ends after 2 of its 3 bytes", "повреждены"},
      {Problem::ReadFailed, "read for only 2 of 3 bytes of compressed data", "повреждены"},
      {Problem::GzipTooShort, "7 bytes of compressed data end before the gzip trailer", "повреждены"},
      {Problem::ZlibError, "damaged compressed data (D)", "повреждены"},
      {Problem::DataEndsEarly, "compressed data ends early", "повреждены"},
      {Problem::LengthMismatch, "unpacked size 7 differs from the gzip trailer's 9", "повреждены"},
      {Problem::CrcMismatch, "has 00000008, the gzip trailer says 00000009", "повреждены"},
  };
  std::set<std::string> seen;
  for (const auto& c : cases) {
    ExtractOutcome o;
    o.Kind = c.kind;
    o.Status = c.kind >= Problem::DataBeyondEnd ? ExtractStatus::Damaged : ExtractStatus::NotWritten;
    o.Detail = "D";
    o.SystemError = "E";
    o.Value = 7;
    o.Done = 2;
    o.Total = 3;
    o.Found = 8;
    o.Expected = 9;
    o.Compressed = true;
    const std::string english = cli::OutcomeText(o);
    EXPECT_NE(english.find(c.english), std::string::npos) << int(c.kind) << ": " << english;
    EXPECT_TRUE(seen.insert(english).second) << "said twice: " << english;
    const std::string russian = extract::FailureReason(o);
    EXPECT_NE(russian.find(c.russian), std::string::npos) << int(c.kind) << ": " << russian;
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(Problem::CrcMismatch)) << "a problem is missing from the table";

  // Damaged data tells what was left of the file.
  ExtractOutcome cut;
  cut.Kind = Problem::ArchiveEndsEarly;
  cut.Status = ExtractStatus::Damaged;
  cut.Unpacked = 4;
  EXPECT_NE(cli::OutcomeText(cut).find("; 4 bytes were written"), std::string::npos);
  cut.Compressed = true;
  cut.Size = 10;
  EXPECT_NE(cli::OutcomeText(cut).find("; 4 of 10 bytes were unpacked, the rest written as zeros"), std::string::npos);
}
