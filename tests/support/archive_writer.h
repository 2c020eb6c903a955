// Builds .h4r archives in memory, byte for byte in the layout the program
// reads, for tests, the sample archive and benchmarks. Every field can be made
// to lie, so that damaged and hostile archives are as easy to build as good ones.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testarchive {

// Every field has a default, so that an entry can name only what it sets.
struct Entry {
  std::string name = "";  // code page 1251 bytes
  std::string path = "";  // code page 1251 bytes
  std::string data = "";  // the unpacked content
  // 1 stores data as is, 3 stores it as a gzip member; any other code stores
  // data as is under that code.
  uint32_t compression = 1;
  uint16_t tailMarker = 0;  // non-zero: a filler replaces the compression code
  uint32_t spare = 0;
  uint16_t filler = 0;  // value of the fillers of empty entries and marked tails

  // Overrides of what the writer would compute.
  std::optional<std::string> stored = {};  // the bytes placed at Offset
  std::optional<uint32_t> offset = {};
  std::optional<int32_t> storedSize = {};  // 0 makes an empty entry
  std::optional<int32_t> size = {};
  std::optional<uint16_t> nameLen = {};
  std::optional<uint16_t> pathLen = {};
};

// An entry with the fields most tests set; the rest keep their defaults.
inline Entry MakeEntry(std::string name, std::string path, std::string data,
                       uint32_t compression = 1) {
  return {std::move(name), std::move(path), std::move(data), compression};
}

struct Archive {
  std::string header = std::string("H4RC\x01\x00\x00\x00", 8);  // never examined
  std::optional<int32_t> count = {};                            // default: the number of entries
  std::vector<Entry> entries = {};
};

// A gzip member of data: a 10-byte header without optional fields, raw
// deflate data at the given level, CRC-32 and length.
std::string GzipMember(const std::string& data, int level = 6);
// Raw deflate data of `data`.
std::string RawDeflate(const std::string& data, int level = 6);
uint32_t Crc32(const std::string& data);

// The archive's bytes: header, count, directory, then the entries' data in
// directory order.
std::string Build(const Archive& archive);

// Writes bytes to a file (a name in the system's own form); false on failure.
bool WriteFileBytes(const std::string& fileName, const std::string& bytes);
// The whole content of a file, or none when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& fileName);

}  // namespace testarchive
