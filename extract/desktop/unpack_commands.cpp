#include "extract/desktop/unpack_commands.h"

#include "extract/desktop/output_folder_chooser.h"
#include "extract/entry_extraction.h"
#include "extract/progress.h"
#include "io/stream.h"

namespace extract {

using archive::ArchiveEntry;

namespace {

// The status window is shown before the archive is opened and hidden after it
// is closed, whatever happens in between.
class ShownStatus {
 public:
  explicit ShownStatus(ui::Widget& form) : form_(form) { form_.Show(); }
  ~ShownStatus() { form_.Hide(); }
  ShownStatus(const ShownStatus&) = delete;
  ShownStatus& operator=(const ShownStatus&) = delete;

 private:
  ui::Widget& form_;
};

// Writes the row's entry unless it is empty and empty entries are left out.
void UnpackRow(const UnpackTarget& target, io::Stream& archive, int row, OutputTree& tree,
               UnpackReport& report) {
  ++report.Steps;
  if (row < 0 || static_cast<size_t>(row) >= target.Table.size()) return;
  const auto k = static_cast<size_t>(row);
  ArchiveEntry& entry = target.Table[k];
  // An alias has no data of its own: it counts as empty, and is written with
  // its target's data when empty entries are not left out.
  if (entry.StoredSize <= 0 && target.SkipEmptyCheck.GetChecked()) {
    ++report.PassedOver;
    return;
  }
  report.Add(entry, ExtractEntry(archive, entry, tree, nullptr, &archive::DataOf(target.Table, k)));
}

io::StreamPtr OpenArchive(const UnpackTarget& target, UnpackReport& report) {
  report.ArchiveFileName = target.ArchiveFileName;
  io::StreamPtr archive = io::OpenReadStream(target.ArchiveFileName);
  // A stream on a file that is gone reads nothing: every entry would be
  // written as an empty file over whatever the folder held. Nothing is written.
  report.ArchiveOpened = archive->IsOpen();
  return archive;
}

}  // namespace

void ProgressLine::Show(long long step, long long steps) {
  const int percent = ProgressPercent(step, steps);
  if (percent == shown_) return;
  shown_ = percent;
  label_.SetText(ProgressText(step, steps));
  // No messages are taken while the command runs, so nothing else can ask
  // for a repaint in between: the window is painted when its text changes.
  form_.UpdateNow();
}

UnpackReport UnpackSelectedRows(const UnpackTarget& target, const std::string& outputFolder) {
  UnpackReport report;
  long long selected = 0;
  const int rows = target.List.RowCount();
  for (int r = 0; r < rows; ++r) {
    if (target.List.RowSelected(r)) ++selected;
  }
  ShownStatus status(target.StatusForm);
  io::StreamPtr archive = OpenArchive(target, report);
  if (!report.ArchiveOpened) return report;
  OutputTree tree(outputFolder);
  ProgressLine progress(target.StatusForm, target.StatusLabel);
  long long step = 0;
  for (int row = target.List.NextSelectedRow(-1); row != -1;
       row = target.List.NextSelectedRow(row)) {
    progress.Show(++step, selected);
    UnpackRow(target, *archive, row, tree, report);
  }
  return report;
}

UnpackReport UnpackAllRows(const UnpackTarget& target, const std::string& outputFolder) {
  UnpackReport report;
  ShownStatus status(target.StatusForm);
  io::StreamPtr archive = OpenArchive(target, report);
  if (!report.ArchiveOpened) return report;
  OutputTree tree(outputFolder);
  ProgressLine progress(target.StatusForm, target.StatusLabel);
  const int rows = target.List.RowCount();
  for (int row = 0; row < rows; ++row) {
    progress.Show(row + 1, rows);
    UnpackRow(target, *archive, row, tree, report);
  }
  return report;
}

UnpackReport ExtractSelected(const UnpackTarget& target, ui::FolderDialog& dialog,
                             std::string& lastUnpackFolder) {
  const std::string folder = ChooseOutputFolder(dialog, lastUnpackFolder);
  if (folder.empty()) return UnpackReport{};
  lastUnpackFolder = folder;
  return UnpackSelectedRows(target, folder);
}

UnpackReport ExtractAll(const UnpackTarget& target, ui::FolderDialog& dialog,
                        std::string& lastUnpackFolder) {
  const std::string folder = ChooseOutputFolder(dialog, lastUnpackFolder);
  if (folder.empty()) return UnpackReport{};
  lastUnpackFolder = folder;
  return UnpackAllRows(target, folder);
}

}  // namespace extract
