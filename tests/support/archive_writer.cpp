#include "tests/support/archive_writer.h"

#include <zlib.h>

#include <cstdio>
#include <stdexcept>

namespace testarchive {
namespace {

void PutWord(std::string& out, uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

void PutLong(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string StoredBytes(const Entry& e) {
  if (e.stored) return *e.stored;
  if (e.compression == 3) return GzipMember(e.data);
  return e.data;
}

}  // namespace

uint32_t Crc32(const std::string& data) {
  return static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

std::string RawDeflate(const std::string& data, int level) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())) + 16, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&z, Z_FINISH);
  deflateEnd(&z);
  if (rc != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(z.total_out);
  return out;
}

std::string GzipMember(const std::string& data, int level) {
  std::string out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x0b", 10);
  out += RawDeflate(data, level);
  PutLong(out, Crc32(data));
  PutLong(out, static_cast<uint32_t>(data.size()));
  return out;
}

std::string Build(const Archive& archive) {
  std::vector<std::string> stored;
  stored.reserve(archive.entries.size());
  for (const Entry& e : archive.entries) stored.push_back(StoredBytes(e));

  auto directoryBytes = [&](const std::vector<uint32_t>& offsets) {
    std::string dir;
    for (size_t k = 0; k < archive.entries.size(); ++k) {
      const Entry& e = archive.entries[k];
      const int32_t storedSize = e.storedSize.value_or(static_cast<int32_t>(stored[k].size()));
      PutLong(dir, e.offset.value_or(offsets[k]));
      PutLong(dir, static_cast<uint32_t>(storedSize));
      PutLong(dir, static_cast<uint32_t>(e.size.value_or(static_cast<int32_t>(e.data.size()))));
      PutLong(dir, e.spare);
      PutWord(dir, e.nameLen.value_or(static_cast<uint16_t>(e.name.size())));
      dir += e.name;
      if (storedSize == 0) PutWord(dir, e.filler);
      PutWord(dir, e.pathLen.value_or(static_cast<uint16_t>(e.path.size())));
      dir += e.path;
      PutWord(dir, e.tailMarker);
      if (e.tailMarker == 0) {
        PutLong(dir, e.compression);
      } else {
        PutWord(dir, e.filler);
      }
    }
    return dir;
  };

  // The directory's length does not depend on the offsets, so lay it out once
  // to learn where the data starts.
  const std::vector<uint32_t> zeros(archive.entries.size(), 0);
  const size_t dataStart = archive.header.size() + 4 + directoryBytes(zeros).size();
  std::vector<uint32_t> offsets;
  size_t at = dataStart;
  for (const std::string& s : stored) {
    offsets.push_back(static_cast<uint32_t>(at));
    at += s.size();
  }

  std::string out = archive.header;
  PutLong(out, static_cast<uint32_t>(archive.count.value_or(static_cast<int32_t>(archive.entries.size()))));
  out += directoryBytes(offsets);
  for (const std::string& s : stored) out += s;
  return out;
}

bool WriteFileBytes(const std::string& fileName, const std::string& bytes) {
  std::FILE* f = std::fopen(fileName.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::optional<std::string> ReadFileBytes(const std::string& fileName) {
  std::FILE* f = std::fopen(fileName.c_str(), "rb");
  if (f == nullptr) return std::nullopt;
  std::string bytes;
  char buffer[65536];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
  std::fclose(f);
  return bytes;
}

}  // namespace testarchive
