// "Распаковать выделенное в..." and "Распаковать все в..." (Windows only):
// the rows of the main window's list are walked in row order and each row's
// entry is written under the chosen folder, with the progress in percent in
// the status window. The caller tells the user what the report holds.
#pragma once

#include <string>

#include "archive/archive_entry.h"
#include "extract/unpack_report.h"
#include "ui/controls.h"
#include "ui/file_dialogs.h"
#include "ui/list_view.h"
#include "ui/widget.h"

namespace extract {

// What the commands work on; row r of List shows Table[r].
struct UnpackTarget {
  ui::ListView& List;
  archive::EntryTable& Table;
  const std::string& ArchiveFileName;  // the archive whose directory is in Table
  ui::CheckBox& SkipEmptyCheck;  // "Игнорировать пустые файлы", read for every row
  ui::Widget& StatusForm;
  ui::Widget& StatusLabel;
};

// The progress line of one walk in the status window. Each step's text is in
// the label, and painted, before that step's entry is written. A text equal to
// the one on screen is neither set nor painted again: under Wine that costs a
// repaint, or a round trip to the server for nothing, at every row, and with
// thousands of rows most steps share their percentage with the one before.
class ProgressLine {
 public:
  ProgressLine(ui::Widget& form, ui::Widget& label) : form_(form), label_(label) {}
  void Show(long long step, long long steps);

 private:
  ui::Widget& form_;
  ui::Widget& label_;
  int shown_ = -1;  // the percentage in the label since this walk began; none yet
};

// The walks, once the folder is known. The archive is open only while they run.
UnpackReport UnpackSelectedRows(const UnpackTarget& target, const std::string& outputFolder);
UnpackReport UnpackAllRows(const UnpackTarget& target, const std::string& outputFolder);

// The commands: ask for the folder (starting at lastUnpackFolder, which then
// keeps the choice) and walk. A cancelled dialog ends them with an empty
// report and nothing else done.
UnpackReport ExtractSelected(const UnpackTarget& target, ui::FolderDialog& dialog,
                             std::string& lastUnpackFolder);
UnpackReport ExtractAll(const UnpackTarget& target, ui::FolderDialog& dialog,
                        std::string& lastUnpackFolder);

}  // namespace extract
