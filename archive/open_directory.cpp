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
  opened.Handle = io::fs::OpenFile(fileName, io::fs::kReadStreamFlags, &opened.SystemError);
  if (opened.Handle == io::fs::kInvalidHandle) {
    if (opened.SystemError.empty()) opened.SystemError = io::fs::LastErrorText();
    opened.Problem = DirectoryProblem::CannotOpen;
    return opened;
  }
  opened.Stream = io::ReadStreamOnHandle(opened.Handle, true);
  if (!io::fs::GetFileSize64(opened.Handle, opened.FileSize)) {
    opened.SystemError = io::fs::LastErrorText();
    opened.Problem = DirectoryProblem::CannotOpen;
    return opened;
  }
  // Offsets are 32-bit, and all-ones stands for a failure: a larger file
  // would be read as a smaller one.
  if (opened.FileSize >= 0xFFFFFFFFu) {
    opened.Problem = DirectoryProblem::TooLarge;
    return opened;
  }
  opened.Read = ReadDirectory(*opened.Stream, opened.Table, &opened.RecordOffsets);
  opened.Problem = ProblemOf(opened.Read);
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
