// "Распаковать выделенное в..." and "Распаковать все в..." (Windows only):
// the rows of the main window's list are walked in row order and each row's
// entry is written under the chosen folder, with the progress in percent in
// the status window. The caller tells the user what the report holds.
#pragma once

#include <string>

#include "archive/archive_entry.h"
#include "extract/unpack_report.h"
#include "kol/widgets/controls.h"
#include "kol/widgets/file_dialogs.h"
#include "kol/widgets/list_view.h"
#include "kol/widgets/widget.h"

namespace extract {

// What the commands work on; row r of List shows Table[r].
struct UnpackTarget {
  kol::ListView& List;
  archive::EntryTable& Table;
  const std::string& ArchiveFileName;  // the archive whose directory is in Table
  kol::CheckBox& SkipEmptyCheck;       // "Игнорировать пустые файлы", read for every row
  kol::Widget& StatusForm;
  kol::Widget& StatusLabel;
};

// The walks, once the folder is known. The archive is open only while they run.
UnpackReport UnpackSelectedRows(const UnpackTarget& target, const std::string& outputFolder);
UnpackReport UnpackAllRows(const UnpackTarget& target, const std::string& outputFolder);

// The commands: ask for the folder (starting at lastUnpackFolder, which then
// keeps the choice) and walk. A cancelled dialog ends them with an empty
// report and nothing else done.
UnpackReport ExtractSelected(const UnpackTarget& target, kol::FolderDialog& dialog,
                             std::string& lastUnpackFolder);
UnpackReport ExtractAll(const UnpackTarget& target, kol::FolderDialog& dialog, std::string& lastUnpackFolder);

}  // namespace extract
