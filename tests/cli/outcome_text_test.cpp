// Every problem the core can report reaches the user in words of its own, in
// the CLI's English and in the desktop program's Russian.
#include <gtest/gtest.h>

#include <set>

#include "cli/json_text.h"
#include "cli/outcome_text.h"
#include "extract/unpack_report.h"

using namespace extract;

TEST(OutcomeText, EveryProblemHasItsOwnWordsInBothLanguages) {
  using enum Problem;
  // clang-format off
  // Every detail a wording may show, and each problem with words of its own.
  ExtractOutcome o{.Detail = "D", .SystemError = "E", .Value = 7, .Done = 2, .Total = 3, .Found = 8,
                   .Expected = 9, .Compressed = true};
  const struct { Problem kind; const char *english, *russian; } cases[] = {
      {NoOutputFolder, "no output folder", "не удалось создать"},
      {ClimbsOut, "climbs out", "за пределы"},
      {DotsFolder, "only by dots", "за пределы"},
      {BadCharInFolder, "folder name with a char", "имя папки"},
      {DeviceFolder, "Windows device (D)", "имя папки"},
      {EmptyName, "name is empty", "имя файла"},
      {DotsName, "name \"D\" cannot be", "имя файла"},
      {SlashInName, "a slash", "имя файла"},
      {BadCharInName, "name contains a char", "имя файла"},
      {DeviceName, "\"D\" is a Windows device", "имя файла"},
      {AliasMissing, "alias of D, which is not", "которого в архиве нет"},
      {AliasLoop, "alias of D, and the chain", "по кругу"},
      {NegativeStoredSize, "stored size is negative (7)", "отрицательный размер"},
      {NegativeSize, "unpacked size is negative (7)", "отрицательный размер"},
      {TooFewForGzip, "7 bytes of compressed data are too few", "обрезаны"},
      {NoCompressionCode, "no compression code", "не указан способ сжатия"},
      {UnknownCompression, "code 7 is unknown", "неизвестный способ сжатия (7)"},
      {LinkInside, "symbolic link stands in its way (D)", "символическая ссылка"},
      {FolderNotCreated, "cannot create folder D: E", "не удалось создать"},
      {FileNotCreated, "cannot create the file: E", "не удалось создать"},
      {NameTooLong, "too long for the file system (D)", "слишком длинное"},
      {WriteFailed, "failed after 2 of 3 bytes: E", "не удалось создать"},
      {OutOfMemory, "not enough memory", "не хватило памяти"},
      {ArchiveUnreadable, "archive cannot be read: E", "не удалось прочитать"},
      {DataBeyondEnd, "beyond the end", "повреждены"},
      {ArchiveEndsEarly, "ends after 2 of its 3 bytes", "повреждены"},
      {ReadFailed, "only 2 of 3 bytes of compressed", "повреждены"},
      {GzipTooShort, "7 bytes of compressed data end before", "повреждены"},
      {ZlibError, "damaged compressed data (D)", "повреждены"},
      {DataEndsEarly, "compressed data ends early", "повреждены"},
      {LengthMismatch, "size 7 differs from the gzip trailer's 9", "повреждены"},
      {CrcMismatch, "has 00000008, the gzip trailer says 00000009", "повреждены"}};
  // clang-format on
  std::set<std::string> seen;
  for (const auto& [kind, english, russian] : cases) {
    o.Kind = kind;
    o.Status = kind >= DataBeyondEnd ? ExtractStatus::Damaged : ExtractStatus::NotWritten;
    EXPECT_NE(cli::OutcomeText(o).find(english), std::string::npos) << cli::OutcomeText(o);
    EXPECT_TRUE(seen.insert(cli::OutcomeText(o)).second) << "said twice: " << cli::OutcomeText(o);
    EXPECT_NE(FailureReason(o).find(russian), std::string::npos) << FailureReason(o);
  }
  EXPECT_EQ(seen.size(), static_cast<size_t>(CrcMismatch)) << "a problem is missing from the table";
  // No control character, C0 or C1 (U+0080 to U+009F), reaches a terminal.
  EXPECT_EQ(cli::PrintableText("a\x01\x7F\xC2\x85\xC2\xA0z\xC2\x9F"), "a???\xC2\xA0z?");
}
