// Opening an archive for a CLI command: the directory read and the paths
// formed, with what went wrong said in the CLI's words.
#pragma once

#include <string>

#include "archive/archive_entry.h"
#include "archive/directory_reader.h"
#include "archive/path_formation.h"
#include "io/stream.h"

namespace cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitIncomplete = 1;
inline constexpr int kExitUsage = 2;

struct LoadedArchive {
  // False when the file could not be opened, is not a regular file, is larger
  // than the format can address, or its directory did not fit in memory:
  // there is nothing to work on.
  bool Opened = false;
  std::string OpenError;  // why, in words that follow "cannot open NAME: "
  // The exit status when not opened: a file too large to be an archive is a
  // damaged one.
  int FailureStatus = kExitUsage;
  // The archive, open for the whole command: every read goes through it.
  io::StreamPtr Stream;
  io::fs::FileHandle Handle = io::fs::kInvalidHandle;
  archive::DirectoryReadResult Directory;
  archive::EntryTable Table;
};

LoadedArchive LoadArchive(const std::string& fileName, archive::PathMode mode);

// Why a file of `size` bytes cannot be an archive: its offsets are 32-bit
// numbers, and all-ones stands for a failure. Empty when it can be one.
std::string TooLargeText(uint64_t size);

// Prints the warning for a directory that was cut short; nothing when it was
// complete.
void WarnIfIncomplete(const std::string& fileName, const LoadedArchive& archive);

}  // namespace cli
