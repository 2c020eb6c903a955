// "Открыть архив...": file, path mode, directory, list, panel, commands.
#include "archive/desktop/open_archive.h"

#include <new>
#include <string>

#include "archive/archive_stats.h"
#include "archive/directory_reader.h"
#include "archive/path_formation.h"
#include "forms/main_window.h"
#include "forms/status_window.h"
#include "forms/user_message.h"
#include "forms/path_mode_dialog.h"
#include "kol/stream.h"
#include "kol/text_helpers.h"

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
           "\r\n\r\nВ его заголовке указано файлов: " + kol::IntToGroupedText(read.DeclaredCount) +
           ", а места в нём не больше чем на " + kol::IntToGroupedText(*read.Room) +
           ". Прочитано записей: " + kol::IntToGroupedText(static_cast<int64_t>(entries_read)) +
           ".";
  }
  std::string text = "Архив повреждён:\r\n" + file_name + "\r\n\r\n";
  if (read.Unreachable) {
    return text + "Оглавление архива не удалось прочитать. Список пуст.";
  }
  if (read.DeclaredCount < 0) {
    return text + "В его заголовке указано отрицательное число файлов (" +
           kol::IntToText(read.DeclaredCount) + "). Список пуст.";
  }
  if (read.DeclaredCount == 0) {
    return text + "Файл короче заголовка архива. Список пуст.";
  }
  return text + "Оглавление архива обрывается. Прочитано записей: " +
         kol::IntToGroupedText(static_cast<int64_t>(entries_read)) + " из " +
         kol::IntToGroupedText(read.DeclaredCount) +
         ". В списке только они; остальные файлы из этого архива распаковать нельзя.";
}

// One row per entry, in table order: row r shows entry r + 1. Thousands of rows
// are added under a redraw lock; nothing is painted during the fill anyway.
void FillList(kol::ListView& list, const EntryTable& entries) {
  list.BeginUpdate();
  for (const ArchiveEntry& e : entries) {
    const int row = list.AddRow("");
    list.SetCellText1251(row, 0, e.Name);
    list.SetCellText1251(row, 1, e.Path);
    list.SetCellText(row, 2, kol::IntToText(e.Size));
    list.SetCellText(row, 3, CompressionText(e.Compression));
  }
  list.EndUpdate();
}

}  // namespace

void OpenArchive() {
  MainWindow& m = MainForm();
  MainUnitState& unit = MainUnit();

  m.ArchiveDialog->InitialDir = unit.LastArchiveFolder;
  if (!m.ArchiveDialog->Execute()) return;
  unit.ArchiveFileName = m.ArchiveDialog->FileName;

  const PathMode mode = AskPathMode();

  ShowStatus("Очищаем список...");
  m.FileList->ClearRows();

  ShowStatus("Загружаем архив...");
  DirectoryReadResult read;
  LoadProblem problem = LoadProblem::None;
  {
    // Anything but a regular file (a pipe, a device, a folder) is refused here
    // like a file that is not there.
    kol::StreamPtr stream = kol::OpenReadStream(unit.ArchiveFileName);
    if (stream && stream->IsOpen()) {
      read = ReadDirectory(*stream, unit.Entries);
      if (read.OutOfMemory) {
        problem = LoadProblem::OutOfMemory;
      } else if (!read.Complete) {
        problem = LoadProblem::Damaged;
      }
    } else {
      EntryTable().swap(unit.Entries);
      problem = LoadProblem::CannotOpen;
    }
  }

  if (mode == PathMode::FromNames) {
    ShowStatus("Переформировываем пути...");
    try {
      FormPaths(unit.Entries);
    } catch (const std::bad_alloc&) {
      EntryTable().swap(unit.Entries);
      problem = LoadProblem::OutOfMemory;
    }
  }

  ShowStatus("Формируем список...");
  FillList(*m.FileList, unit.Entries);
  unit.Stats = ComputeArchiveStats(unit.Entries);

  m.ArchiveNameEdit->SetText(unit.ArchiveFileName);
  m.TotalFilesValue->SetText(kol::IntToGroupedText(static_cast<int64_t>(unit.Entries.size())));
  m.CompressedValue->SetText(kol::IntToGroupedText(unit.Stats.CompressedCount));
  m.EmptyValue->SetText(kol::IntToGroupedText(unit.Stats.EmptyCount));
  m.TotalSizeValue->SetText(kol::IntToGroupedText(unit.Stats.TotalSize));
  // The rows it counted are gone.
  m.SelectedCountValue->SetText("0");

  for (kol::Widget* button : {m.SelectAllButton, m.SelectCompressedButton, m.InvertSelectionButton,
                              m.ExtractSelectedButton, m.ExtractAllButton, m.SelectByMaskButton}) {
    button->SetEnabled(true);
  }
  HideStatus();

  if (problem != LoadProblem::None) {
    ShowUserMessage(ProblemText(problem, unit.ArchiveFileName, read, unit.Entries.size()));
  }
}
