// The directory reader and path formation on arbitrary bytes.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "archive/directory_reader.h"
#include "archive/path_formation.h"
#include "kol/stream.h"

#include "fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kol::StreamPtr stream = kol::CreateMemoryStream();
  kol::StreamWrite(*stream, data, static_cast<uint32_t>(size));
  kol::StreamSeek(*stream, 0, kol::kFromBeginning);

  archive::EntryTable table;
  const archive::DirectoryReadResult result = archive::ReadDirectory(*stream, table);

  // The table holds what the reader says, and never more than the file can hold.
  const size_t room = size < 12 ? 0 : (size - 12) / 22;
  CHECK(table.size() <= room);
  CHECK(table.capacity() <= room || table.capacity() == 0);
  if (size < 12) CHECK(!result.Complete && table.empty());
  if (result.DeclaredCount < 0) CHECK(!result.Complete && table.empty());
  if (size >= 12 && result.DeclaredCount >= 0) {
    CHECK(table.size() <= static_cast<size_t>(result.DeclaredCount));
    CHECK(result.Complete == (table.size() == static_cast<size_t>(result.DeclaredCount)));
  }

  for (const archive::ArchiveEntry& e : table) {
    CHECK(e.Name.size() == std::min<size_t>(e.NameLen, archive::kMaxEntryText));
    if (e.StoredSize == 0) {
      CHECK(e.PathLen == 0 && e.Path.empty());
    } else {
      CHECK(e.Path.size() == std::min<size_t>(e.PathLen, archive::kMaxEntryText));
    }
    if (e.TailMarker != 0) CHECK(e.Compression == archive::kCompressionNone);
  }

  // Path formation: lengths follow the texts, and the formed path and name
  // together are the dotted name with its inner dots turned into separators.
  archive::EntryTable formed = table;
  archive::FormPaths(formed);
  for (size_t k = 0; k < formed.size(); ++k) {
    const archive::ArchiveEntry& before = table[k];
    const archive::ArchiveEntry& after = formed[k];
    CHECK(after.NameLen == after.Name.size() && after.PathLen == after.Path.size());
    CHECK(after.Name.size() <= archive::kMaxEntryText &&
          after.Path.size() <= archive::kMaxEntryText);
    CHECK(after.Path.size() + after.Name.size() == before.Name.size());
    CHECK(after.Name.find_first_of("\\:") == std::string::npos);
    CHECK(after.Path.empty() || after.Path.back() == '\\' || after.Path.back() == ':');
    const size_t lastDot = before.Name.rfind('.');
    const std::string joined = after.Path + after.Name;
    for (size_t i = 0; i < joined.size(); ++i) {
      const bool innerDot = before.Name[i] == '.' && lastDot != std::string::npos && i < lastDot;
      CHECK(joined[i] == (innerDot ? '\\' : before.Name[i]));
    }
    CHECK(after.Offset == before.Offset && after.Size == before.Size &&
          after.Compression == before.Compression);
  }
  return 0;
}
