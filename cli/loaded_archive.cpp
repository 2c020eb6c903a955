#include "cli/loaded_archive.h"

#include <cstdio>
#include <new>

#include "io/file_backend.h"
#include "io/stream.h"

namespace cli {

using archive::DirectoryReadResult;
using archive::EntryTable;
using archive::FormPaths;
using archive::PathMode;
using archive::ReadDirectory;

std::string TooLargeText(uint64_t size) {
  if (size < 0xFFFFFFFFu) return std::string();
  return "it is too large for an .h4r archive (" + std::to_string(size) +
         " bytes; the format addresses at most 4294967294)";
}

LoadedArchive LoadArchive(const std::string& fileName, PathMode mode) {
  LoadedArchive loaded;
  std::string whyNot;
  const io::fs::FileHandle file = io::fs::OpenFile(fileName, io::fs::kReadStreamFlags, &whyNot);
  if (file == io::fs::kInvalidHandle) {
    loaded.OpenError = whyNot.empty() ? io::fs::LastErrorText() : whyNot;
    return loaded;
  }
  loaded.Stream = io::ReadStreamOnHandle(file, true);
  loaded.Handle = file;
  uint64_t size = 0;
  if (!io::fs::GetFileSize64(file, size)) {
    loaded.OpenError = io::fs::LastErrorText();
    return loaded;
  }
  if (std::string tooLarge = TooLargeText(size); !tooLarge.empty()) {
    loaded.OpenError = std::move(tooLarge);
    loaded.FailureStatus = kExitIncomplete;
    return loaded;
  }
  io::Stream& stream = *loaded.Stream;
  loaded.Directory = ReadDirectory(stream, loaded.Table);
  if (!loaded.Directory.OutOfMemory && mode == PathMode::FromNames) {
    try {
      FormPaths(loaded.Table);
    } catch (const std::bad_alloc&) {
      EntryTable().swap(loaded.Table);
      loaded.Directory.OutOfMemory = true;
    }
  }
  if (loaded.Directory.OutOfMemory) {
    // Half a table would pass for a damaged archive; none is the truth.
    loaded.OpenError = "not enough memory to read its directory";
    return loaded;
  }
  loaded.Opened = true;
  return loaded;
}

void WarnIfIncomplete(const std::string& fileName, const LoadedArchive& archive) {
  const DirectoryReadResult& d = archive.Directory;
  if (d.Complete) return;
  if (d.Unreachable) {
    std::fprintf(stderr, "tarnwick-cli: warning: cannot read the directory of %s\n",
                 fileName.c_str());
  } else if (d.DeclaredCount < 0) {
    std::fprintf(stderr, "tarnwick-cli: warning: %s is damaged: its directory declares %d entries\n",
                 fileName.c_str(), d.DeclaredCount);
  } else if (d.DeclaredCount == 0 && archive.Table.empty()) {
    std::fprintf(stderr, "tarnwick-cli: warning: %s is damaged: the file ends inside its header\n",
                 fileName.c_str());
  } else if (d.CountBeyondRoom()) {
    std::fprintf(stderr,
                 "tarnwick-cli: warning: %s does not look like an .h4r archive: its directory "
                 "declares %d entries, the file has room for at most %u\n",
                 fileName.c_str(), d.DeclaredCount, *d.Room);
  } else {
    std::fprintf(stderr,
                 "tarnwick-cli: warning: %s is damaged: its directory ends early, %zu of %d "
                 "entries were read\n",
                 fileName.c_str(), archive.Table.size(), d.DeclaredCount);
  }
}

}  // namespace cli
