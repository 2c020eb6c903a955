// Opening an archive from the main window (Windows only): the command behind
// "Открыть архив...". It asks for the file and the path mode, reads the
// directory, fills the list and the panel, and enables the commands.
#pragma once

void OpenArchive();
