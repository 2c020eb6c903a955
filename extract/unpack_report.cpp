#include "extract/unpack_report.h"

#include "io/text_encoding.h"
#include "io/text_helpers.h"

namespace extract {

using archive::ArchiveEntry;

namespace {

std::string EntryText(const ArchiveEntry& entry) {
  std::string text = entry.PathLen != 0 ? entry.Path : std::string();
  if (!text.empty() && text.back() != '\\') text += '\\';
  return io::Utf8FromCp1251(text + entry.Name);
}

}  // namespace

std::string FailureReason(const ExtractOutcome& outcome) {
  if (outcome.Status == ExtractStatus::Damaged) {
    return "данные файла в архиве повреждены, записанный файл неверен или неполон";
  }
  switch (outcome.Kind) {
    case Problem::ClimbsOut:
    case Problem::DotsFolder: return "путь файла ведёт за пределы выбранной папки, файл не записан";
    case Problem::BadCharInFolder:
    case Problem::DeviceFolder:
      return "в пути файла есть имя папки, недопустимое в Windows, файл не записан";
    case Problem::EmptyName:
    case Problem::DotsName:
    case Problem::SlashInName:
    case Problem::BadCharInName:
    case Problem::DeviceName: return "имя файла недопустимо в Windows, файл не записан";
    case Problem::AliasMissing:
      return "файл ссылается на файл, которого в архиве нет, файл не записан";
    case Problem::AliasLoop:
      return "файл ссылается по кругу на другие файлы архива, файл не записан";
    case Problem::NegativeStoredSize:
    case Problem::NegativeSize: return "в архиве записан отрицательный размер, файл не записан";
    case Problem::TooFewForGzip: return "сжатые данные файла в архиве обрезаны, файл не записан";
    case Problem::NoCompressionCode: return "в архиве не указан способ сжатия, данные не записаны";
    case Problem::UnknownCompression:
      return "неизвестный способ сжатия (" + io::IntToText(outcome.Value) + "), данные не записаны";
    case Problem::LinkInside:
      return "на пути к файлу в выбранной папке стоит символическая ссылка, файл не записан";
    case Problem::NameTooLong: return "имя файла или папки слишком длинное, файл не записан";
    case Problem::OutOfMemory: return "не хватило памяти, файл не записан";
    case Problem::ArchiveUnreadable: return "не удалось прочитать архив, файл не записан";
    default: return "не удалось создать или записать файл в выбранной папке";
  }
}

void UnpackReport::Add(const ArchiveEntry& entry, const ExtractOutcome& outcome) {
  if (outcome.Status == ExtractStatus::Written) {
    ++Written;
    return;
  }
  ++Failed;
  if (FirstFailures.size() < kNamedFailures)
    FirstFailures.push_back({EntryText(entry), FailureReason(outcome)});
}

std::string FailureMessage(const UnpackReport& report) {
  if (!report.ArchiveOpened) {
    return "Не удалось открыть файл архива\n" + report.ArchiveFileName +
           "\n\nНичего не распаковано. Возможно, архив удалён, переименован или занят другой "
           "программой.";
  }
  if (report.Failed == 0) return std::string();
  std::string text = "Распаковка закончена с ошибками. Файлов с ошибками: " +
                     io::IntToText(static_cast<int64_t>(report.Failed)) + " из " +
                     io::IntToText(static_cast<int64_t>(report.Written + report.Failed)) + ".\n";
  for (const UnpackFailure& failure : report.FirstFailures) {
    text += "\n" + failure.Entry + ": " + failure.Reason + ".";
  }
  if (report.Failed > report.FirstFailures.size()) {
    text += "\n...и ещё " +
            io::IntToText(static_cast<int64_t>(report.Failed - report.FirstFailures.size())) + ".";
  }
  return text;
}

}  // namespace extract
