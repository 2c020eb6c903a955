#include "extract/unpack_report.h"

#include <algorithm>

#include "extract/entry_extraction.h"
#include "kol/text_encoding.h"
#include "kol/text_helpers.h"

namespace extract {
namespace {

// Smallest gzip member: a 10-byte header and an 8-byte trailer.
constexpr int32_t kSmallestGzipMember = 18;

bool ClimbsOut(const std::string& path) {
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = std::min(path.find_first_of("\\/", start), path.size());
    const std::string part = path.substr(start, end - start);
    // ". ." and the like end up as ".." once Windows drops the trailing dots and spaces.
    if (!part.empty() && part != "." && part.find_first_not_of(". ") == std::string::npos) return true;
    start = end + 1;
  }
  return false;
}

std::string EntryText(const ArchiveEntry& entry) {
  std::string text = entry.PathLen != 0 ? entry.Path : std::string();
  if (!text.empty() && text.back() != '\\') text += '\\';
  return kol::Cp1251ToUtf8(text + entry.Name);
}

}  // namespace

std::string FailureReason(const ArchiveEntry& entry, const ExtractOutcome& outcome) {
  if (outcome.Status == ExtractStatus::Damaged) {
    return "данные файла в архиве повреждены, записанный файл неверен или неполон";
  }
  const std::string path = entry.PathLen != 0 ? entry.Path : std::string();
  if (ClimbsOut(path)) return "путь файла ведёт за пределы выбранной папки, файл не записан";
  if (!ConfinementProblem(path, "x").empty()) {
    return "в пути файла есть имя папки, недопустимое в Windows, файл не записан";
  }
  if (!ConfinementProblem(std::string(), entry.Name).empty()) {
    return "имя файла недопустимо в Windows, файл не записан";
  }
  const bool compressed = entry.Compression == kCompressionDeflated;
  if (entry.StoredSize < 0 || (compressed && entry.Size < 0)) {
    return "в архиве записан отрицательный размер, файл не записан";
  }
  if (compressed && entry.StoredSize < kSmallestGzipMember) {
    return "сжатые данные файла в архиве обрезаны, файл не записан";
  }
  if (!compressed && entry.Compression != kCompressionStored) {
    return "неизвестный способ сжатия (" + kol::IntToText(entry.Compression) + "), данные не записаны";
  }
  return "не удалось создать или записать файл в выбранной папке";
}

void UnpackReport::Add(const ArchiveEntry& entry, const ExtractOutcome& outcome) {
  if (outcome.Status == ExtractStatus::Written) {
    ++Written;
    return;
  }
  ++Failed;
  if (FirstFailures.size() < kNamedFailures) FirstFailures.push_back({EntryText(entry), FailureReason(entry, outcome)});
}

std::string FailureMessage(const UnpackReport& report) {
  if (!report.ArchiveOpened) {
    return "Не удалось открыть файл архива\n" + report.ArchiveFileName +
           "\n\nНичего не распаковано. Возможно, архив удалён, переименован или занят другой программой.";
  }
  if (report.Failed == 0) return std::string();
  std::string text = "Распаковка закончена с ошибками. Файлов с ошибками: " +
                     kol::IntToText(static_cast<int64_t>(report.Failed)) + " из " +
                     kol::IntToText(static_cast<int64_t>(report.Written + report.Failed)) + ".\n";
  for (const UnpackFailure& failure : report.FirstFailures) {
    text += "\n" + failure.Entry + ": " + failure.Reason + ".";
  }
  if (report.Failed > report.FirstFailures.size()) {
    text += "\n...и ещё " + kol::IntToText(static_cast<int64_t>(report.Failed - report.FirstFailures.size())) + ".";
  }
  return text;
}

}  // namespace extract
