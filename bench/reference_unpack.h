// The floor of unpacking on one core, for benchmarks: read the directory,
// then per entry read its bytes, inflate them in one call into a buffer of the
// unpacked size, and write the file with one call. No streams, no checks
// beyond what zlib needs, every folder made once.
#pragma once

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "archive/directory_reader.h"
#include "archive/path_formation.h"
#include "io/stream.h"

inline void ReferenceUnpack(const std::string& archiveFile, const std::string& out) {
  std::FILE* archive = std::fopen(archiveFile.c_str(), "rb");
  if (archive == nullptr) std::abort();
  io::StreamPtr s = io::OpenReadStream(archiveFile);
  archive::EntryTable table;
  archive::ReadDirectory(*s, table);
  archive::FormPaths(table);
  std::set<std::string> folders;
  std::vector<char> stored, unpacked;
  for (const archive::ArchiveEntry& e : table) {
    std::string folder = out + "/" + e.Path;
    std::replace(folder.begin(), folder.end(), '\\', '/');
    if (folders.insert(folder).second) std::filesystem::create_directories(folder);
    stored.resize(static_cast<size_t>(std::max(e.StoredSize, 0)));
    std::fseek(archive, static_cast<long>(e.Offset), SEEK_SET);
    if (std::fread(stored.data(), 1, stored.size(), archive) != stored.size()) std::abort();
    const char* bytes = stored.data();
    size_t size = stored.size();
    if (e.Compression == 3) {
      unpacked.resize(static_cast<size_t>(e.Size));
      z_stream z{};
      inflateInit2(&z, -15);
      z.next_in = reinterpret_cast<Bytef*>(stored.data() + 10);
      z.avail_in = static_cast<uInt>(stored.size() - 18);
      z.next_out = reinterpret_cast<Bytef*>(unpacked.data());
      z.avail_out = static_cast<uInt>(unpacked.size());
      if (inflate(&z, Z_FINISH) != Z_STREAM_END) std::abort();
      inflateEnd(&z);
      bytes = unpacked.data();
      size = unpacked.size();
    }
    std::FILE* file = std::fopen((folder + e.Name).c_str(), "wb");
    if (file == nullptr) std::abort();
    std::fwrite(bytes, 1, size, file);
    std::fclose(file);
  }
  std::fclose(archive);
}
