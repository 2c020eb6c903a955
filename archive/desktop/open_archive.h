// Opening an archive from the main window (Windows only): the command behind
// "Открыть архив...". It asks for the file and the path mode, reads the
// directory, fills the list and the panel, and enables the commands; the
// caller keeps the table and tells the user what the result says.
//
//   archive::OpenResult opened = archive::OpenArchive(target);
//   if (opened.FileName) { ... keep opened.Entries, show opened.Message ... }
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "archive/archive_stats.h"
#include "archive/path_formation.h"
#include "ui/file_dialogs.h"
#include "ui/list_view.h"
#include "ui/widget.h"

namespace archive {

// What opening works on; row r of List shows Listed[r].
struct OpenTarget {
  ui::OpenFileDialog& Dialog;
  const std::string& LastArchiveFolder;   // where the dialog starts
  std::function<PathMode()> AskPathMode;  // asked once a file is chosen
  ui::Widget& StatusForm;
  ui::Widget& StatusLabel;
  ui::ListView& List;
  // The table the list shows now: emptied with the list, so that its memory
  // is free before the new directory is read.
  EntryTable& Listed;
  // The panel's values.
  ui::Widget& ArchiveName;
  ui::Widget& TotalFiles;
  ui::Widget& Compressed;
  ui::Widget& Empty;
  ui::Widget& TotalSize;
  ui::Widget& SelectedCount;
  std::vector<ui::Widget*> Commands;  // enabled once an archive is listed
  // A file already chosen (named on the command line, dropped on the window):
  // opened without showing the dialog.
  std::optional<std::string> GivenFile = std::nullopt;
};

struct OpenResult {
  std::optional<std::string> FileName;  // none: the dialog was cancelled and nothing changed
  EntryTable Entries;                   // what the list now shows, row r for entry r
  ArchiveStats Stats;
  // What the user is to be told (a file that could not be opened, a damaged
  // directory); empty when there is nothing to tell.
  std::string Message;
};

// Shows the open dialog unless the target names the file; once a file is chosen, asks for the path
// mode and lists the file's directory step by step in the status window.
OpenResult OpenArchive(const OpenTarget& target);

}  // namespace archive
