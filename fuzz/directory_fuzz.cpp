// The directory reader and path formation on arbitrary bytes.
#include <cstdint>
#include <string>

#include "archive/directory_reader.h"
#include "archive/path_formation.h"
#include "fuzz/fuzz_check.h"
#include "tests/support/archive_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  io::StreamPtr stream = testarchive::MemoryStreamOf(bytes);
  archive::EntryTable table;
  const archive::DirectoryReadResult result = archive::ReadDirectory(*stream, table);

  // The directory lies inside the file, and the table holds what the reader
  // says and never more than the file can hold behind the directory's start.
  const size_t start = result.DirectoryOffset;
  CHECK(start == 8 || (size >= 8 && bytes.starts_with("H4R") && start + 4 <= size));
  const size_t room = size < start + 4 ? 0 : (size - start - 4) / 26;
  CHECK(table.size() <= room && (table.capacity() <= room || table.capacity() == 0));
  if (size < start + 4 || result.DeclaredCount < 0) CHECK(!result.Complete && table.empty());
  if (size >= start + 4 && result.DeclaredCount >= 0)
    CHECK(result.Complete == (table.size() == static_cast<size_t>(result.DeclaredCount)));
  for (size_t k = 0; k < table.size(); ++k) {
    const archive::ArchiveEntry& e = table[k];
    CHECK(e.Name.size() == std::min<size_t>(e.NameLen, archive::kMaxEntryText));
    CHECK(e.AliasName.size() == std::min<size_t>(e.AliasLen, archive::kMaxEntryText));
    CHECK(e.StoredSize == 0 && !e.IsAlias()
              ? e.PathLen == 0 && e.Path.empty()
              : e.Path.size() == std::min<size_t>(e.PathLen, archive::kMaxEntryText));
    // An alias ends at a record with data of its own, or is said not to.
    CHECK(e.IsAlias() == (e.Alias != archive::AliasState::None));
    const archive::ArchiveEntry& source = archive::DataOf(table, k);
    CHECK(!source.IsAlias() || (&source == &e && e.Alias != archive::AliasState::Resolved));
  }

  // Path formation: the formed path and name together are the dotted name
  // with its inner dots turned into separators, and the lengths follow them.
  archive::EntryTable formed = table;
  archive::FormPaths(formed);
  for (size_t k = 0; k < formed.size(); ++k) {
    const std::string& name = table[k].Name;
    const archive::ArchiveEntry& after = formed[k];
    CHECK(after.NameLen == after.Name.size() && after.PathLen == after.Path.size());
    CHECK(after.Name.find_first_of("\\:") == std::string::npos);
    const std::string joined = after.Path + after.Name;
    CHECK(joined.size() == name.size() && after.Size == table[k].Size);
    for (size_t i = 0; i < joined.size(); ++i)
      CHECK(joined[i] == (name[i] == '.' && i < name.rfind('.') ? '\\' : name[i]));
  }
  return 0;
}
