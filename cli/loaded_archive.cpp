#include "cli/loaded_archive.h"

#include <cstdio>

#include "kol/file_backend.h"
#include "kol/file_helpers.h"
#include "kol/stream.h"

namespace cli {

LoadedArchive LoadArchive(const std::string& fileName, PathMode mode) {
  LoadedArchive loaded;
  kol::StreamPtr stream = kol::OpenReadStream(fileName);
  if (!stream->IsOpen()) {
    loaded.OpenError = kol::fs::LastErrorText();
    return loaded;
  }
  loaded.Opened = true;
  loaded.Directory = ReadDirectory(*stream, loaded.Table);
  if (mode == PathMode::FromNames) FormPaths(loaded.Table);
  return loaded;
}

void WarnIfIncomplete(const std::string& fileName, const LoadedArchive& archive) {
  const DirectoryReadResult& d = archive.Directory;
  if (d.Complete) return;
  if (d.DeclaredCount < 0) {
    std::fprintf(stderr, "tarnwick-cli: warning: %s is damaged: its header declares %d entries\n",
                 fileName.c_str(), d.DeclaredCount);
  } else if (d.DeclaredCount == 0 && archive.Table.empty()) {
    std::fprintf(stderr, "tarnwick-cli: warning: %s is damaged: the file ends inside its header\n",
                 fileName.c_str());
  } else {
    std::fprintf(stderr,
                 "tarnwick-cli: warning: %s is damaged: its directory ends early, %zu of %d "
                 "entries were read\n",
                 fileName.c_str(), archive.Table.size(), d.DeclaredCount);
  }
}

}  // namespace cli
