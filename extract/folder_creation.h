// Making sure an output folder exists, creating its missing levels from the
// outermost inwards.
#pragma once

#include <string>

namespace extract {

// The level that could not be created, and the system's reason.
struct FolderPathFailure {
  std::string Folder;
  std::string SystemError;
};

// True when the folder is there afterwards (or taken to be: an empty text, a
// text of fewer than 3 characters such as a drive "C:", and a text with no
// parent part are not examined). False when a level could not be created;
// deeper levels are then not attempted, and `failure` receives the level and
// the system's reason. "\" and "/" separate levels; runs of them count as
// one, also at the end. A colon separates nothing, except that on Windows
// "X:" at the very start names a drive.
bool CreateFolderPath(const std::string& folder, FolderPathFailure& failure);
// As above; `failure`, when given, receives "cannot create folder LEVEL: REASON".
bool CreateFolderPath(const std::string& folder, std::string* failure = nullptr);

}  // namespace extract
