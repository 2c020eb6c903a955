#include "tests/support/archive_writer.h"

#include <zlib.h>

#include <fstream>

namespace testarchive {

static void PutWord(std::string& out, uint16_t v) { out.append({char(v), char(v >> 8)}); }
static void PutLong(std::string& out, uint32_t v) {
  out.append({char(v), char(v >> 8), char(v >> 16), char(v >> 24)});
}

uint32_t Crc32(const std::string& data) {
  return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size())));
}

// zlib's own format without its two header bytes and four check bytes.
std::string RawDeflate(const std::string& data, int level) {
  std::string out(compressBound(uLong(data.size())), '\0');
  uLongf length = uLongf(out.size());
  compress2(reinterpret_cast<Bytef*>(out.data()), &length,
            reinterpret_cast<const Bytef*>(data.data()), uLong(data.size()), level);
  return out.substr(2, length - 6);
}

std::string GzipMember(const std::string& data, int level) {
  std::string out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x0b", 10);
  out += RawDeflate(data, level);
  PutLong(out, Crc32(data));
  PutLong(out, uint32_t(data.size()));
  return out;
}

std::string Build(const Archive& archive) {
  std::vector<std::string> stored;
  for (const Entry& e : archive.entries) {
    stored.push_back(e.stored ? *e.stored : e.compression == 3 ? GzipMember(e.data) : e.data);
  }
  // The data starts behind the directory, whose length the offsets do not change.
  uint32_t at = uint32_t(archive.header.size()) + 4;
  for (size_t k = 0; k < stored.size(); ++k) {
    const Entry& e = archive.entries[k];
    const bool empty = e.storedSize.value_or(int32_t(stored[k].size())) == 0;
    at += 24 + uint32_t(e.name.size() + e.path.size()) + (empty ? 2 : 0) + (e.tailMarker ? 0 : 2);
  }
  std::string out = archive.header, data;
  PutLong(out, uint32_t(archive.count.value_or(int32_t(archive.entries.size()))));
  for (size_t k = 0; k < stored.size(); ++k) {
    const Entry& e = archive.entries[k];
    const int32_t storedSize = e.storedSize.value_or(int32_t(stored[k].size()));
    PutLong(out, e.offset.value_or(at + uint32_t(data.size())));
    PutLong(out, uint32_t(storedSize));
    PutLong(out, uint32_t(e.size.value_or(int32_t(e.data.size()))));
    PutLong(out, e.spare);
    PutWord(out, e.nameLen.value_or(uint16_t(e.name.size())));
    out += e.name;
    if (storedSize == 0) PutWord(out, e.filler);
    PutWord(out, e.pathLen.value_or(uint16_t(e.path.size())));
    out += e.path;
    PutWord(out, e.tailMarker);
    e.tailMarker == 0 ? PutLong(out, e.compression) : PutWord(out, e.filler);
    data += stored[k];
  }
  return out + data;
}

bool WriteFileBytes(const std::string& fileName, const std::string& bytes) {
  std::ofstream f(fileName, std::ios::binary);
  return f.write(bytes.data(), std::streamsize(bytes.size())).flush().good();
}

std::optional<std::string> ReadFileBytes(const std::string& fileName) {
  std::ifstream f(fileName, std::ios::binary);
  if (!f) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

}  // namespace testarchive
