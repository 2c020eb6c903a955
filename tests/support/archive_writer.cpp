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
  // Records: four numbers, three counted texts and the type.
  uint32_t directorySize = 4;
  for (const Entry& e : archive.Entries)
    directorySize += 26 + uint32_t(e.Name.size() + e.Path.size() + e.Alias.size());
  const uint32_t dataStart = 8 + (archive.DirectoryAtEnd ? 0 : directorySize);
  std::string directory, data;
  PutLong(directory, uint32_t(archive.Count.value_or(int32_t(archive.Entries.size()))));
  for (const Entry& e : archive.Entries) {
    const bool alias = !e.Alias.empty();
    const std::string stored = e.Stored             ? *e.Stored
                               : alias              ? std::string()
                               : e.Compression == 3 ? GzipMember(e.Data)
                                                    : e.Data;
    PutLong(directory, e.Offset.value_or(alias ? 0 : dataStart + uint32_t(data.size())));
    PutLong(directory, uint32_t(e.StoredSize.value_or(int32_t(stored.size()))));
    PutLong(directory, uint32_t(e.Size.value_or(alias ? 0 : int32_t(e.Data.size()))));
    PutLong(directory, e.Time);
    PutWord(directory, e.NameLen.value_or(uint16_t(e.Name.size())));
    directory += e.Name;
    PutWord(directory, e.PathLen.value_or(uint16_t(e.Path.size())));
    directory += e.Path;
    PutWord(directory, uint16_t(e.Alias.size()));
    directory += e.Alias;
    PutLong(directory, e.Compression);
    data += stored;
  }
  std::string out = "H4R\x05";
  PutLong(out, archive.DirectoryAtEnd ? 8 + uint32_t(data.size()) : 8);
  if (archive.Header) out = *archive.Header;
  return archive.DirectoryAtEnd ? out + data + directory : out + directory + data;
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

io::StreamPtr MemoryStreamOf(const std::string& bytes) {
  io::StreamPtr s = io::CreateMemoryStream();
  io::StreamWrite(*s, bytes.data(), static_cast<uint32_t>(bytes.size()));
  io::StreamSeek(*s, 0, io::kFromBeginning);
  return s;
}

}  // namespace testarchive
