#include "extract/folder_creation.h"

#include "io/file_backend.h"

namespace extract {
namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Everything before the last separator. io::FileDirPart splits at a colon
// as well, which would cut "at 10:30" in two on a system where a colon is
// just part of a name; on Windows only a leading drive "X:" is one.
std::string ParentPart(const std::string& path) {
  size_t end = path.size();
  while (end > 0 && !IsSeparator(path[end - 1])) --end;
#ifdef _WIN32
  if (end == 0 && path.size() > 2 && path[1] == ':') return path.substr(0, 2);
#endif
  return path.substr(0, end);
}

}  // namespace

bool CreateFolderPath(const std::string& folder, FolderPathFailure& failure) {
  // Every trailing separator goes, not only one: the file system reads a run
  // of them as one, so "a\\b" must create "a" before "a\\b".
  std::string f = folder;
  while (!f.empty() && IsSeparator(f.back())) f.pop_back();
  if (f.size() < 3) return true;
  if (io::fs::IsExistingDirectory(f)) return true;
  const std::string parent = ParentPart(f);
  if (parent == f) return true;
  if (!CreateFolderPath(parent, failure)) return false;
  if (io::fs::MakeDirectory(f)) return true;
  const std::string reason = io::fs::LastErrorText();
  // Another writer (or another thread) may have made it meanwhile.
  if (io::fs::IsExistingDirectory(f)) return true;
  failure.Folder = f;
  failure.SystemError = reason;
  return false;
}

bool CreateFolderPath(const std::string& folder, std::string* failure) {
  FolderPathFailure why;
  if (CreateFolderPath(folder, why)) return true;
  if (failure != nullptr) *failure = "cannot create folder " + why.Folder + ": " + why.SystemError;
  return false;
}

}  // namespace extract
