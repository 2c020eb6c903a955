// What tells one file from another, locking it, and removing an unfinished
// file when the run is interrupted: the POSIX half.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "io/file_backend.h"

namespace io::fs {
namespace {

int Descriptor(FileHandle handle) { return static_cast<int>(handle); }

std::string SystemName(const std::string& name) {
  std::string result = name;
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

}  // namespace

bool GetFileSize64(FileHandle handle, uint64_t& size) {
  struct stat info;
  if (handle == kInvalidHandle || ::fstat(Descriptor(handle), &info) != 0) return false;
  size = static_cast<uint64_t>(info.st_size);
  return true;
}

namespace {

FileIdentity IdentityOf(const struct stat& info) {
  FileIdentity id;
  id.Volume = static_cast<uint64_t>(info.st_dev);
  id.Index = static_cast<uint64_t>(info.st_ino);
  id.Size = static_cast<uint64_t>(info.st_size);
  id.Modified = static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  id.Links = static_cast<uint32_t>(info.st_nlink);
  id.ReadOnly = (info.st_mode & 0222) == 0;
  id.Mode = info.st_mode & 07777;
  id.Owner = info.st_uid;
  id.Group = info.st_gid;
  return id;
}

}  // namespace

bool IdentifyFile(FileHandle handle, FileIdentity& identity) {
  struct stat info;
  if (handle == kInvalidHandle || ::fstat(Descriptor(handle), &info) != 0) return false;
  identity = IdentityOf(info);
  return true;
}

bool IdentifyName(const std::string& name, FileIdentity& identity) {
  struct stat info;
  if (::stat(SystemName(name).c_str(), &info) != 0) return false;
  identity = IdentityOf(info);
  return true;
}

std::string ResolvedName(const std::string& name, FileHandle) {
  const std::unique_ptr<char, decltype(&std::free)> real(
      ::realpath(SystemName(name).c_str(), nullptr), &std::free);
  return real ? std::string(real.get()) : name;
}

bool LockAlone(FileHandle handle) {
  for (;;) {
    if (::flock(Descriptor(handle), LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EINTR) return false;
  }
}

void TakeOwnership(FileHandle file, const FileIdentity& like) {
  // The owner only where this process may give it (root); the group where
  // the user belongs to it. Then the mode, which a change of owner may clear.
  if (::fchown(Descriptor(file), like.Owner, like.Group) != 0) {
    [[maybe_unused]] const int ignored =
        ::fchown(Descriptor(file), static_cast<uid_t>(-1), like.Group);
  }
  ::fchmod(Descriptor(file), static_cast<mode_t>(like.Mode));
}

// Runs on the thread that writes (the signal is passed to it), so the file
// is either open, or about to be made, or the call that makes it has just
// returned: then it is a regular file of no bytes.
void RemoveUnfinished(Unfinished& file) {
  file.Interrupted = true;
  const int state = file.State;
  // The name is kept as the program spells it, "\" separated; the system
  // separates by "/" (a name below a folder handle holds no separator).
  for (char& c : file.Name) c = c == '\\' ? '/' : c;
  const int folder = file.Folder == kInvalidHandle ? AT_FDCWD : Descriptor(file.Folder);
  struct stat info;
  if (state == 2 || (state == 1 && ::fstatat(folder, file.Name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                     S_ISREG(info.st_mode) && info.st_size == 0)) {
    ::unlinkat(folder, file.Name, 0);
  }
}

}  // namespace io::fs
