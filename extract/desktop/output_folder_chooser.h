// Asking for the folder to unpack into (Windows only).
#pragma once

#include <string>

#include "ui/file_dialogs.h"

namespace extract {

// Shows `dialog` with `lastFolder` preselected (none when it is empty) and
// returns the chosen folder, or an empty text when the user cancels.
std::string ChooseOutputFolder(ui::FolderDialog& dialog, const std::string& lastFolder);

}  // namespace extract
