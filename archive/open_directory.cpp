#include "archive/open_directory.h"

#include <new>

#include "io/file_backend.h"

namespace archive {
namespace {

// The one place where a directory that was not read whole gets its kind.
DirectoryProblem ProblemOf(const DirectoryReadResult& read) {
  if (read.OutOfMemory) return DirectoryProblem::OutOfMemory;
  if (read.Complete) return DirectoryProblem::None;
  if (read.Unreachable) return DirectoryProblem::Unreachable;
  if (read.DeclaredCount < 0) return DirectoryProblem::NegativeCount;
  if (read.CountBeyondRoom()) return DirectoryProblem::NotAnArchive;
  if (read.DeclaredCount == 0) return DirectoryProblem::EndsInHeader;
  return DirectoryProblem::EndsEarly;
}

}  // namespace

OpenedDirectory OpenDirectory(const std::string& fileName, PathMode mode,
                              const std::function<void()>& formingPaths) {
  OpenedDirectory opened;
  opened.Stream = io::OpenReadStream(fileName, &opened.SystemError);
  if (opened.Stream && opened.Stream->IsOpen()) {
    opened.SystemError.clear();
    opened.Read = ReadDirectory(*opened.Stream, opened.Table, &opened.RecordOffsets);
    opened.Problem = ProblemOf(opened.Read);
  } else {
    if (opened.SystemError.empty()) opened.SystemError = io::fs::LastErrorText();
    opened.Problem = DirectoryProblem::CannotOpen;
  }
  if (mode == PathMode::FromNames) {
    if (formingPaths) formingPaths();
    try {
      FormPaths(opened.Table);
    } catch (const std::bad_alloc&) {
      // Half a table would pass for a damaged archive; none is the truth.
      EntryTable().swap(opened.Table);
      std::vector<uint32_t>().swap(opened.RecordOffsets);
      opened.Problem = DirectoryProblem::OutOfMemory;
    }
  }
  return opened;
}

}  // namespace archive
