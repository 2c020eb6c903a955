// Reads an archive's directory into the entry table.
#pragma once

#include <cstdint>

#include "archive/archive_entry.h"
#include "kol/stream.h"

struct DirectoryReadResult {
  // The count the header declares (0 when the header itself is cut short).
  int32_t DeclaredCount = 0;
  // False when the file ended before the declared entries did; the table then
  // holds the entries that were read whole.
  bool Complete = true;
};

// Replaces the table's content with the directory of the archive open in
// `archive`. Never reads past the end of the file and never reserves more
// entries than the file can hold; a negative count reads as 0. The stream is
// left behind the last entry read.
DirectoryReadResult ReadDirectory(kol::Stream& archive, EntryTable& table);
