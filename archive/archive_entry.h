// One directory record of an .h4r archive, and the table of all of them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace archive {

// Compression codes of the directory (the record's type).
inline constexpr uint32_t kCompressionNone = 0;
inline constexpr uint32_t kCompressionStored = 1;
inline constexpr uint32_t kCompressionDeflated = 3;

// The header: "H4R", a version byte, then the offset of the directory.
inline constexpr uint32_t kHeaderSize = 8;

// Names, paths and aliases are kept to this many bytes; longer ones are cut.
inline constexpr size_t kMaxEntryText = 246;

// What an alias record stands for, worked out from the stored names when the
// directory is read.
enum class AliasState : uint8_t {
  None,      // no alias: the record's own data is the entry's
  Resolved,  // Target is the record whose data the alias yields
  Missing,   // no record of the archive bears the name
  Loop,      // the chain of aliases comes back on itself
};

// The fields of the directory record; the numbers come before the three
// texts so that an entry takes 128 bytes, under five times the smallest
// record: a directory of tiny records must not cost much more than the file.
struct ArchiveEntry {
  uint32_t Offset = 0;     // position of the entry's data from the start of the file
  int32_t StoredSize = 0;  // bytes of data in the archive; 0 marks an empty entry
  int32_t Size = 0;        // unpacked size
  uint32_t Time = 0;       // modification time, seconds since 1970 (UTC); 0 for none
  uint16_t NameLen = 0;    // as read; recomputed by path formation
  uint16_t PathLen = 0;    // as read (0 for empty entries); recomputed by path formation
  uint16_t AliasLen = 0;   // as read; non-zero makes the record an alias
  AliasState Alias = AliasState::None;
  uint32_t Compression = kCompressionNone;
  uint32_t Target = 0;    // for a resolved alias: the index of the record with its data
  std::string Name;       // code page 1251 bytes, at most kMaxEntryText
  std::string Path;       // code page 1251 bytes, "\" separated, at most kMaxEntryText
  std::string AliasName;  // the stored name of another record, as stored

  bool IsAlias() const { return AliasLen != 0; }
};

// Entries in directory order; list row r shows entry r + 1, that is EntryTable[r].
using EntryTable = std::vector<ArchiveEntry>;

// The record whose data entry k yields: for a resolved alias the record its
// chain of aliases ends at, for any other entry the entry itself.
inline const ArchiveEntry& DataOf(const EntryTable& table, size_t k) {
  const ArchiveEntry& e = table[k];
  return e.Alias == AliasState::Resolved ? table[e.Target] : e;
}

}  // namespace archive
