// Writing one archive entry to a file under the output folder.
#pragma once

#include <string>
#include <unordered_set>

#include "archive/archive_entry.h"
#include "extract/extract_outcome.h"
#include "kol/stream.h"

namespace extract {

// Folders an unpacking run has made or found, as composed ("\\" separated).
struct FolderCache {
  std::unordered_set<std::string> Made;
};

// Writes `entry` from `archive` (open for reading) to outputFolder + "\" +
// Path + "\" + Name, creating the folders it needs and replacing an existing
// file. Stored entries (code 1) are copied, compressed ones (code 3) inflated
// to Size bytes; for any other code the file is created empty or an existing
// one left as it is. Leading backslashes of the entry's Path, and then a colon
// in its second place, are removed in the entry itself, for good.
//
// The output folder is UTF-8; the entry's name and path are code page 1251.
// Nothing is created outside the output folder: a path with a ".." component
// or a name that cannot be a file is refused. One call at a time per thread;
// calls on different threads must write different files.
//
// `folders`, when given, remembers the folders made, so that entries sharing
// a folder do not each ask the file system for it; one cache per thread.
ExtractOutcome ExtractEntry(kol::Stream& archive, ArchiveEntry& entry, const std::string& outputFolder,
                            FolderCache* folders = nullptr);

// The folder ExtractEntry writes the entry into: outputFolder + "\" + Path,
// ending in "\", with the entry's Path shortened first as ExtractEntry
// shortens it (shortening twice changes nothing).
std::string ComposeFolder(ArchiveEntry& entry, const std::string& outputFolder);

// Why the entry cannot be written under an output folder without leaving it,
// or empty when it can. Looks at the path as it will be used (already
// shortened) and at the name.
std::string ConfinementProblem(const std::string& path, const std::string& name);

}  // namespace extract
