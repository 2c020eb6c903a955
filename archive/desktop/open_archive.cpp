// "Открыть архив...": file, path mode, directory, list, panel, commands.
#include "archive/desktop/open_archive.h"

#include <new>
#include <string>

#include "archive/archive_stats.h"
#include "archive/directory_reader.h"
#include "archive/path_formation.h"
#include "io/stream.h"
#include "io/text_helpers.h"

namespace archive {
namespace {

enum class LoadProblem { None, CannotOpen, OutOfMemory, Damaged };

// What the user is told when the directory could not be read whole; the
// entries that were read are listed all the same.
std::string ProblemText(LoadProblem problem, const std::string& file_name,
                        const DirectoryReadResult& read, size_t entries_read) {
  if (problem == LoadProblem::CannotOpen) {
    return "Не удалось открыть архив:\r\n" + file_name +
           "\r\n\r\nФайл не найден или занят другой программой. Список пуст.";
  }
  if (problem == LoadProblem::OutOfMemory) {
    return "Недостаточно памяти, чтобы прочитать каталог архива:\r\n" + file_name +
           "\r\n\r\nСписок пуст.";
  }
  if (read.CountBeyondRoom()) {
    return "Файл не похож на архив .h4r:\r\n" + file_name +
           "\r\n\r\nВ его оглавлении указано файлов: " + io::IntToGroupedText(read.DeclaredCount) +
           ", а места в нём не больше чем на " + io::IntToGroupedText(*read.Room) +
           ". Прочитано записей: " + io::IntToGroupedText(static_cast<int64_t>(entries_read)) +
           ".";
  }
  std::string text = "Архив повреждён:\r\n" + file_name + "\r\n\r\n";
  if (read.Unreachable) {
    return text + "Оглавление архива не удалось прочитать. Список пуст.";
  }
  if (read.DeclaredCount < 0) {
    return text + "В его оглавлении указано отрицательное число файлов (" +
           io::IntToText(read.DeclaredCount) + "). Список пуст.";
  }
  if (read.DeclaredCount == 0) {
    return text + "Файл короче заголовка архива. Список пуст.";
  }
  return text + "Оглавление архива обрывается. Прочитано записей: " +
         io::IntToGroupedText(static_cast<int64_t>(entries_read)) + " из " +
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
  DirectoryReadResult read;
  LoadProblem problem = LoadProblem::None;
  {
    // Anything but a regular file (a pipe, a device, a folder) is refused here
    // like a file that is not there.
    io::StreamPtr stream = io::OpenReadStream(fileName);
    if (stream && stream->IsOpen()) {
      read = ReadDirectory(*stream, result.Entries);
      if (read.OutOfMemory) {
        problem = LoadProblem::OutOfMemory;
      } else if (!read.Complete) {
        problem = LoadProblem::Damaged;
      }
    } else {
      problem = LoadProblem::CannotOpen;
    }
  }

  if (mode == PathMode::FromNames) {
    ShowStep(target, "Переформировываем пути...");
    try {
      FormPaths(result.Entries);
    } catch (const std::bad_alloc&) {
      EntryTable().swap(result.Entries);
      problem = LoadProblem::OutOfMemory;
    }
  }

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

  if (problem != LoadProblem::None) {
    result.Message = ProblemText(problem, fileName, read, result.Entries.size());
  }
  return result;
}

}  // namespace archive
