// Folder helpers over the file backend. Names are UTF-8 with "\" separators.
#pragma once

#include <string>

namespace kol {

// False when the name cannot be examined (an empty name included).
bool IsExistingDirectory(const std::string& name);
// Creates one folder level; true when it was created.
bool MakeDirectory(const std::string& name);
// The process's current directory.
std::string CurrentDirectory();

}  // namespace kol
