// Builds .h4r archives in memory, byte for byte in the game's layout, for tests, the sample archive
// and benchmarks. Every field can be made to lie, so that damaged and hostile archives are as easy
// to build as good ones.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "io/stream.h"

namespace testarchive {

// Every field has a default, so that an entry can name only what it sets.
struct Entry {
  std::string Name = "";  // code page 1251 bytes
  std::string Path = "";  // code page 1251 bytes
  std::string Data = "";  // the unpacked content
  // 1 stores data as is, 3 stores it as a gzip member; any other code stores
  // data as is under that code.
  uint32_t Compression = 1;
  uint32_t Time = 0;
  // The name of another entry: an alias record, offset and sizes 0 unless
  // overridden.
  std::string Alias = "";

  // Overrides of what the writer would compute.
  std::optional<std::string> Stored = {};  // the bytes placed at Offset
  std::optional<uint32_t> Offset = {};
  std::optional<int32_t> StoredSize = {};  // 0 makes an empty entry
  std::optional<int32_t> Size = {};
  std::optional<uint16_t> NameLen = {};
  std::optional<uint16_t> PathLen = {};
};

// An entry with the fields most tests set; the rest keep their defaults.
inline Entry MakeEntry(std::string name, std::string path, std::string data,
                       uint32_t compression = 1) {
  return {std::move(name), std::move(path), std::move(data), compression};
}

// The layout the game writes: "H4R", version 5 and the directory's offset in
// the header, the directory right behind the header or behind the data.
struct Archive {
  bool DirectoryAtEnd = false;
  std::optional<std::string> Header = {};  // 8 bytes in place of the computed header
  std::optional<int32_t> Count = {};       // default: the number of entries
  std::vector<Entry> Entries = {};
};

// A gzip member of data: a 10-byte header without optional fields, raw
// deflate data at the given level, CRC-32 and length.
std::string GzipMember(const std::string& data, int level = 6);
// Raw deflate data of `data`.
std::string RawDeflate(const std::string& data, int level = 6);
uint32_t Crc32(const std::string& data);

// The archive's bytes: header, then the directory (count and records) and
// the entries' data in directory order, in the order the archive asks for.
std::string Build(const Archive& archive);

// Writes bytes to a file (a name in the system's own form); false on failure.
bool WriteFileBytes(const std::string& fileName, const std::string& bytes);
// The whole content of a file, or none when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& fileName);
// A memory stream holding the bytes, to be read from its start.
io::StreamPtr MemoryStreamOf(const std::string& bytes);

}  // namespace testarchive
