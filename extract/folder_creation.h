// Making sure an output folder exists, creating its missing levels from the
// outermost inwards.
#pragma once

#include <string>

namespace extract {

// The text without one trailing "\"; unchanged when it does not end in one.
std::string StripTrailingBackslash(const std::string& text);

// True when the folder is there afterwards (or taken to be: an empty text, a
// text of fewer than 3 characters such as a drive "C:", and a text with no
// parent part are not examined). False when a level could not be created;
// deeper levels are then not attempted, and `failure`, when given, receives
// the level and the system's reason. The text may end in "\"; runs of "\"
// count as one, also at its end.
bool CreateFolderPath(const std::string& folder, std::string* failure = nullptr);

}  // namespace extract
