#include "archive/path_formation.h"

#include "io/text_helpers.h"

namespace archive {

size_t LastCharPos(const std::string& text, char c) {
  const size_t found = text.rfind(c);
  return found == std::string::npos ? 0 : found + 1;
}

void FormPaths(EntryTable& table) {
  for (ArchiveEntry& e : table) {
    std::string dotted = e.Name;
    const size_t lastDot = LastCharPos(dotted, '.');
    // Every dot before the last one becomes a separator.
    for (size_t i = 0; i + 1 < lastDot; ++i) {
      if (dotted[i] == '.') dotted[i] = '\\';
    }
    e.Path = io::FileDirPart(dotted);
    e.Name = io::FileNamePart(dotted);
    e.NameLen = static_cast<uint16_t>(e.Name.size());
    e.PathLen = static_cast<uint16_t>(e.Path.size());
  }
}

}  // namespace archive
