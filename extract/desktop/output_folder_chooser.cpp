#include "extract/desktop/output_folder_chooser.h"

namespace extract {

std::string ChooseOutputFolder(ui::FolderDialog& dialog, const std::string& lastFolder) {
  dialog.InitialPath = lastFolder;
  // The dialog keeps its last choice on a cancel; an empty text is how the
  // commands know that the user changed his mind.
  if (!dialog.Execute()) return std::string();
  return dialog.FolderPath;
}

}  // namespace extract
