// How the entries' folders are formed when an archive is opened.
#pragma once

#include <string>

#include "archive/archive_entry.h"

namespace archive {

enum class PathMode {
  FromNames,  // the dots of a name before its last dot become folder separators
  Stored,     // names and paths stay exactly as the archive holds them
};

// Rewrites every entry's Name, Path, NameLen and PathLen from its dotted name:
// "layers.button.cancel.h4r" becomes the path "layers\button\" and the name
// "cancel.h4r". The stored path is replaced in every case. Run once on a
// freshly read table, in mode FromNames only.
void FormPaths(EntryTable& table);

// Position (from 1) of the last occurrence of c in text; 0 when absent.
size_t LastCharPos(const std::string& text, char c);

}  // namespace archive
