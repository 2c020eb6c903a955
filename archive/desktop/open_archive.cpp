// "Открыть архив...": file, path mode, directory, list, panel, commands.
#include "archive/desktop/open_archive.h"

#include <string>
#include <utility>

#include "archive/archive_stats.h"
#include "archive/open_directory.h"
#include "io/text_helpers.h"

namespace archive {
namespace {

// What the user is told when the directory could not be read whole; the
// entries that were read are listed all the same.
std::string ProblemText(DirectoryProblem problem, const std::string& fileName,
                        const DirectoryReadResult& read, size_t entriesRead) {
  const std::string damaged = "Архив повреждён:\r\n" + fileName + "\r\n\r\n";
  switch (problem) {
    case DirectoryProblem::None: return std::string();
    case DirectoryProblem::CannotOpen:
      return "Не удалось открыть архив:\r\n" + fileName +
             "\r\n\r\nФайл не найден или занят другой программой. Список пуст.";
    case DirectoryProblem::TooLarge:
      return "Файл не похож на архив .h4r:\r\n" + fileName +
             "\r\n\r\nОн больше 4 ГБ, а архив такого размера быть не может. Список пуст.";
    case DirectoryProblem::OutOfMemory:
      return "Недостаточно памяти, чтобы прочитать каталог архива:\r\n" + fileName +
             "\r\n\r\nСписок пуст.";
    case DirectoryProblem::NotAnArchive:
      return "Файл не похож на архив .h4r:\r\n" + fileName +
             "\r\n\r\nВ его оглавлении указано файлов: " +
             io::IntToGroupedText(read.DeclaredCount) + ", а места в нём не больше чем на " +
             io::IntToGroupedText(*read.Room) +
             ". Прочитано записей: " + io::IntToGroupedText(static_cast<int64_t>(entriesRead)) +
             ".";
    case DirectoryProblem::Unreachable:
      return damaged + "Оглавление архива не удалось прочитать. Список пуст.";
    case DirectoryProblem::NegativeCount:
      return damaged + "В его оглавлении указано отрицательное число файлов (" +
             io::IntToText(read.DeclaredCount) + "). Список пуст.";
    case DirectoryProblem::EndsInHeader:
      return damaged + "Файл короче заголовка архива. Список пуст.";
    case DirectoryProblem::EndsEarly: break;
  }
  return damaged + "Оглавление архива обрывается. Прочитано записей: " +
         io::IntToGroupedText(static_cast<int64_t>(entriesRead)) + " из " +
         io::IntToGroupedText(read.DeclaredCount) +
         ". В списке только они; остальные файлы из этого архива распаковать нельзя.";
}

// One row per entry, in table order: row r shows entry r + 1. Thousands of rows
// are added under a redraw lock; nothing is painted during the fill anyway.
void FillList(ui::ListView& list, const EntryTable& entries) {
  list.BeginUpdate();
  for (const ArchiveEntry& e : entries) {
    const int row = list.AddRow("");
    list.SetCellText1251(row, 0, e.Name);
    list.SetCellText1251(row, 1, e.Path);
    list.SetCellText(row, 2, io::IntToText(e.Size));
    list.SetCellText(row, 3, CompressionText(e.Compression));
  }
  list.EndUpdate();
}

// The status window names the step, shown and painted at once: the command
// takes no messages until it ends.
void ShowStep(const OpenTarget& target, const std::string& text) {
  target.StatusLabel.SetText(text);
  if (!target.StatusForm.Visible()) target.StatusForm.Show();
  target.StatusForm.UpdateNow();
}

}  // namespace

OpenResult OpenArchive(const OpenTarget& target) {
  OpenResult result;
  std::string fileName;
  if (target.GivenFile) {
    fileName = *target.GivenFile;
  } else {
    target.Dialog.InitialDir = target.LastArchiveFolder;
    if (!target.Dialog.Execute()) return result;
    fileName = target.Dialog.FileName;
  }
  result.FileName = fileName;

  const PathMode mode = target.AskPathMode();

  ShowStep(target, "Очищаем список...");
  target.List.ClearRows();
  EntryTable().swap(target.Listed);

  ShowStep(target, "Загружаем архив...");
  // Anything but a regular file (a pipe, a device, a folder) is refused like a
  // file that is not there.
  OpenedDirectory opened =
      OpenDirectory(fileName, mode, [&] { ShowStep(target, "Переформировываем пути..."); });
  opened.Stream.reset();
  result.Entries = std::move(opened.Table);

  ShowStep(target, "Формируем список...");
  FillList(target.List, result.Entries);
  result.Stats = ComputeArchiveStats(result.Entries);

  target.ArchiveName.SetText(fileName);
  target.TotalFiles.SetText(io::IntToGroupedText(static_cast<int64_t>(result.Entries.size())));
  target.Compressed.SetText(io::IntToGroupedText(result.Stats.CompressedCount));
  target.Empty.SetText(io::IntToGroupedText(result.Stats.EmptyCount));
  target.TotalSize.SetText(io::IntToGroupedText(result.Stats.TotalSize));
  // The rows it counted are gone.
  target.SelectedCount.SetText("0");

  for (ui::Widget* command : target.Commands) command->SetEnabled(true);
  target.StatusForm.Hide();

  result.Message = ProblemText(opened.Problem, fileName, opened.Read, result.Entries.size());
  return result;
}

}  // namespace archive
