// Reads an archive's directory into the entry table.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "archive/archive_entry.h"
#include "io/stream.h"

namespace archive {

struct DirectoryReadResult {
  // The count the directory declares (0 when the file ends before it).
  int32_t DeclaredCount = 0;
  // Where the directory (its count) starts: where the header points, or 8.
  uint32_t DirectoryOffset = 8;
  // False when the file ended before the declared entries did; the table then
  // holds the entries that were read whole.
  bool Complete = true;
  // The stream could not be positioned on the directory: nothing was read.
  bool Unreachable = false;
  // Memory for the table ran out: the table is left empty.
  bool OutOfMemory = false;
  // How many entries the file's size leaves room for; none when the size
  // could not be learnt.
  std::optional<uint32_t> Room;

  // A declared count that no file of this size can hold: the file is most
  // likely not an archive at all rather than a damaged one.
  bool CountBeyondRoom() const {
    return Room && DeclaredCount > 0 && static_cast<uint32_t>(DeclaredCount) > *Room;
  }
};

// Replaces the table's content with the directory of the archive open in
// `archive`, read where the header points (behind the header when it bears
// no signature or points outside the file), and resolves its aliases. Never
// reads past the end of the file and never reserves more entries than the
// file can hold; a negative count reads as 0. The stream is left behind the
// last entry read. Running out of memory is reported in the result, never
// thrown.
//
// `recordOffsets`, when given, receives for each entry of the table the
// position of its record in the file (where its Offset field is), for a
// writer that patches records in place.
DirectoryReadResult ReadDirectory(io::Stream& archive, EntryTable& table,
                                  std::vector<uint32_t>* recordOffsets = nullptr);

}  // namespace archive
