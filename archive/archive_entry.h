// One directory entry of an .h4r archive, and the table of all of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace archive {

// Compression codes of the directory.
inline constexpr uint32_t kCompressionNone = 0;
inline constexpr uint32_t kCompressionStored = 1;
inline constexpr uint32_t kCompressionDeflated = 3;

// Names and paths are kept to this many bytes; longer ones are cut.
inline constexpr size_t kMaxEntryText = 246;

// The fields of the directory record; the numbers come before the two
// texts so that an entry takes 96 bytes, four times the smallest record: a
// directory of tiny records must not cost more than four times the file.
struct ArchiveEntry {
  uint32_t Offset = 0;      // position of the entry's data from the start of the file
  int32_t StoredSize = 0;   // bytes of data in the archive; 0 marks an empty entry
  int32_t Size = 0;         // unpacked size
  uint32_t Spare = 0;       // kept, never interpreted
  uint16_t NameLen = 0;     // as read; recomputed by path formation
  uint16_t PathLen = 0;     // as read (0 for empty entries); recomputed by path formation
  uint16_t TailMarker = 0;  // 0: a compression code follows it in the file
  uint32_t Compression = kCompressionNone;
  std::string Name;         // code page 1251 bytes, at most kMaxEntryText
  std::string Path;         // code page 1251 bytes, "\" separated, at most kMaxEntryText
};

// Entries in directory order; list row r shows entry r + 1, that is EntryTable[r].
using EntryTable = std::vector<ArchiveEntry>;

}  // namespace archive
