// Opening an archive for any front end: the file opened, its directory read
// and the entries' paths formed, with what kept the directory from being read
// whole as one typed problem that each front end words in its own language.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "archive/directory_reader.h"
#include "archive/path_formation.h"
#include "io/file_backend.h"
#include "io/stream.h"

namespace archive {

enum class DirectoryProblem {
  None,
  // Nothing to work on: the table is empty.
  CannotOpen,   // the file cannot be opened, or is not a regular file
  TooLarge,     // the file is larger than the format's 32-bit offsets address
  OutOfMemory,  // the table did not fit in memory
  // A damaged directory: the entries read whole are in the table.
  NotAnArchive,   // it declares more entries than the file has room for
  Unreachable,    // its place in the file cannot be reached
  NegativeCount,  // it declares a negative number of entries
  EndsInHeader,   // the file ends before the directory's count
  EndsEarly,      // it ends inside an entry
};

struct OpenedDirectory {
  DirectoryProblem Problem = DirectoryProblem::None;
  std::string SystemError;  // why the file could not be opened (CannotOpen)
  uint64_t FileSize = 0;
  DirectoryReadResult Read;
  EntryTable Table;
  // For each entry, where its record lies in the file (see ReadDirectory).
  std::vector<uint32_t> RecordOffsets;
  // The archive, still open, for a caller that reads or copies it further:
  // every read of one command goes through this one open file.
  io::StreamPtr Stream;
  io::fs::FileHandle Handle = io::fs::kInvalidHandle;  // the stream's, owned by it

  // Whether there is a table to work on, complete or not.
  bool Usable() const {
    return Problem != DirectoryProblem::CannotOpen && Problem != DirectoryProblem::TooLarge &&
           Problem != DirectoryProblem::OutOfMemory;
  }
};

// Opens `fileName`, reads its directory and, in mode FromNames, forms the
// paths from the dotted names; `formingPaths`, when given, is called just
// before that step (for a window that names each step). Running out of memory
// empties the table and is reported as a problem, never thrown.
OpenedDirectory OpenDirectory(const std::string& fileName, PathMode mode,
                              const std::function<void()>& formingPaths = {});

}  // namespace archive
