#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

#include "io/file_backend.h"

namespace io::fs {
namespace {

// Paths inside the program use "\" as the Windows build does; the system
// call gets "/".
std::string SystemName(const std::string& name) {
  std::string result = name;
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

int Descriptor(FileHandle handle) { return static_cast<int>(handle); }

// O_NONBLOCK was only there to keep the open from waiting on a FIFO; reads
// and writes on the regular file then behave as usual. No other status flag
// was set, so all of them go.
void ClearNonBlocking(int fd) { ::fcntl(fd, F_SETFL, 0); }

#ifdef O_PATH
// Enough to look names up and create them below a folder, also in one that
// may be entered but not listed.
constexpr int kFolderAccess = O_PATH;
#else
constexpr int kFolderAccess = O_RDONLY;
#endif

// What stands at `name` below `folder`, the link itself when it is one.
// Leaves errno alone: it still holds the reason of the failure being
// classified.
bool StatBelow(int folder, const char* name, struct stat& info) {
  const int savedErrno = errno;
  const bool ok = ::fstatat(folder, name, &info, AT_SYMLINK_NOFOLLOW) == 0;
  errno = savedErrno;
  return ok;
}

BelowError Classify(int error) {
  switch (error) {
    case ENOENT: return BelowError::Missing;
    case EEXIST: return BelowError::Exists;
    case ENAMETOOLONG: return BelowError::NameTooLong;
    default: return BelowError::Other;
  }
}

}  // namespace

FileHandle OpenFile(const std::string& name, uint32_t openFlags, std::string* whyNot) {
  if (name.empty()) {
    errno = ENOENT;
    if (whyNot != nullptr) *whyNot = LastErrorText();
    return kInvalidHandle;
  }
  const bool read = (AccessOf(openFlags) & kAccessRead) != 0;
  const bool write = (AccessOf(openFlags) & kAccessWrite) != 0;
  // Without O_NONBLOCK, opening a FIFO waits for the other end for ever.
  int flags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
  if (read && write) {
    flags |= O_RDWR;
  } else if (write) {
    flags |= O_WRONLY;
  } else {
    flags |= O_RDONLY;
  }
  switch (DispositionOf(openFlags)) {
    case Disposition::CreateNew: flags |= O_CREAT | O_EXCL; break;
    case Disposition::CreateAlways: flags |= O_CREAT | O_TRUNC; break;
    case Disposition::OpenExisting: break;
    case Disposition::OpenAlways: flags |= O_CREAT; break;
    case Disposition::TruncateExisting: flags |= O_TRUNC; break;
    default: errno = EINVAL; return kInvalidHandle;
  }
  const std::string systemName = SystemName(name);
  const int fd = ::open(systemName.c_str(), flags, 0666);
  if (fd < 0) {
    if (whyNot != nullptr) *whyNot = LastErrorText();
    return kInvalidHandle;
  }
  // Windows refuses to open a folder as a file; do the same here so that a
  // folder is never mistaken for an empty archive. A pipe or device is no
  // archive either: reading one would block or never end.
  struct stat info;
  if (::fstat(fd, &info) != 0) {
    const int error = errno;
    ::close(fd);
    errno = error;
    if (whyNot != nullptr) *whyNot = LastErrorText();
    return kInvalidHandle;
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    if (whyNot != nullptr) *whyNot = errno == EISDIR ? LastErrorText() : "not a regular file";
    return kInvalidHandle;
  }
  ClearNonBlocking(fd);
  return fd;
}

uint32_t ReadFileAt(FileHandle handle, void* buffer, uint32_t count, uint64_t offset) {
  if (handle == kInvalidHandle) return 0;
  auto* bytes = static_cast<char*>(buffer);
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n =
        ::pread(Descriptor(handle), bytes + done, std::min<uint32_t>(count - done, INT_MAX),
                static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return done == 0 ? 0 : done;
    if (n == 0) break;
    done += static_cast<uint32_t>(n);
  }
  return done;
}

uint32_t CopyInsideSystem(FileHandle from, uint64_t offset, FileHandle to, uint32_t count) {
  auto in = static_cast<off_t>(offset);
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n =
        ::copy_file_range(Descriptor(from), &in, Descriptor(to), nullptr, count - done, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<uint32_t>(n);
  }
  return done;
}

uint32_t WriteFile(FileHandle handle, const void* buffer, uint32_t count) {
  if (handle == kInvalidHandle) return 0;
  const auto* bytes = static_cast<const char*>(buffer);
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n =
        ::write(Descriptor(handle), bytes + done, std::min<uint32_t>(count - done, INT_MAX));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<uint32_t>(n);
  }
  return done;
}

bool SetEndOfFile(FileHandle handle) {
  if (handle == kInvalidHandle) return false;
  // Runs right after every write: it must not replace the reason of a failed
  // write (a full disk) with its own.
  const int savedErrno = errno;
  const off_t position = ::lseek(Descriptor(handle), 0, SEEK_CUR);
  const bool ok = position >= 0 && ::ftruncate(Descriptor(handle), position) == 0;
  errno = savedErrno;
  return ok;
}

uint32_t SetFilePointer(FileHandle handle, int32_t offset, uint8_t origin) {
  if (handle == kInvalidHandle) return 0xFFFFFFFFu;
  const int whence = origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : SEEK_SET;
  const off_t position = ::lseek(Descriptor(handle), offset, whence);
  if (position < 0 || position >= static_cast<off_t>(0xFFFFFFFFu)) return 0xFFFFFFFFu;
  return static_cast<uint32_t>(position);
}

uint32_t GetFileSize(FileHandle handle) {
  struct stat info;
  if (handle == kInvalidHandle || ::fstat(Descriptor(handle), &info) != 0) return 0xFFFFFFFFu;
  if (info.st_size >= static_cast<off_t>(0xFFFFFFFFu)) return 0xFFFFFFFFu;
  return static_cast<uint32_t>(info.st_size);
}

void CloseFile(FileHandle handle) {
  if (handle != kInvalidHandle) ::close(Descriptor(handle));
}

bool FlushFile(FileHandle handle) {
  return handle != kInvalidHandle && ::fsync(Descriptor(handle)) == 0;
}

bool SetModifiedTime(FileHandle handle, uint32_t unixSeconds) {
  const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(unixSeconds), 0}};
  return handle != kInvalidHandle && ::futimens(Descriptor(handle), times) == 0;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
  return ::rename(SystemName(from).c_str(), SystemName(to).c_str()) == 0;
}

bool IsExistingDirectory(const std::string& name) {
  struct stat info;
  return ::stat(SystemName(name).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool MakeDirectory(const std::string& name) {
  if (name.empty()) {
    errno = ENOENT;
    return false;
  }
  return ::mkdir(SystemName(name).c_str(), 0777) == 0;
}

bool RemoveFile(const std::string& name) {
  return !name.empty() && ::unlink(SystemName(name).c_str()) == 0;
}

std::string CurrentDirectory() {
  char buffer[4096];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return std::string();
  return buffer;
}

std::string LastErrorText() { return std::strerror(errno); }

FileHandle OpenFolder(const std::string& name) {
  if (name.empty()) {
    errno = ENOENT;
    return kInvalidHandle;
  }
  return ::open(SystemName(name).c_str(), kFolderAccess | O_DIRECTORY | O_CLOEXEC);
}

FileHandle OpenFolderBelow(FileHandle folder, const std::string& name, BelowError& error) {
  const int dir = Descriptor(folder);
  const int fd = ::openat(dir, name.c_str(), kFolderAccess | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) {
    error = BelowError::None;
    return fd;
  }
  error = Classify(errno);
  // A link fails as ELOOP or ENOTDIR, as does a file in the way.
  struct stat info;
  if ((errno == ELOOP || errno == ENOTDIR) && StatBelow(dir, name.c_str(), info)) {
    error = S_ISLNK(info.st_mode) ? BelowError::Link : BelowError::NotFolder;
    errno = ENOTDIR;
  }
  return kInvalidHandle;
}

FileHandle MakeFolderBelow(FileHandle folder, const std::string& name, BelowError& error) {
  if (::mkdirat(Descriptor(folder), name.c_str(), 0777) != 0) {
    error = Classify(errno);
    return kInvalidHandle;
  }
  return OpenFolderBelow(folder, name, error);
}

namespace {

// What was opened is what is used: a FIFO or device put there is refused on
// the handle itself, which is then closed; a regular file is made blocking.
bool KeptIfRegular(int fd, struct stat& info, BelowError& error) {
  const bool known = ::fstat(fd, &info) == 0;
  if (!known || !S_ISREG(info.st_mode)) {
    const int why = known ? EINVAL : errno;
    error = known ? BelowError::NotRegular : BelowError::Other;
    ::close(fd);
    errno = why;
    return false;
  }
  ClearNonBlocking(fd);
  error = BelowError::None;
  return true;
}

}  // namespace

FileHandle CreateFileBelow(FileHandle folder, const std::string& name, BelowError& error,
                           uint32_t& size, bool fresh) {
  const int dir = Descriptor(folder);
  // Most files are new: one made here is a regular file of no bytes, and
  // needs neither O_NONBLOCK nor the checks below.
  constexpr int kNew = O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC;
  int fd = ::openat(dir, name.c_str(), kNew, 0666);
  // A regular file there goes first: writing into it would change every
  // other name it has. A link or anything else stays and is refused below.
  if (fd < 0 && errno == EEXIST && fresh && RemoveFileBelow(folder, name)) {
    fd = ::openat(dir, name.c_str(), kNew, 0666);
  }
  if (fd >= 0) {
    error = BelowError::None;
    size = 0;
    return fd;
  }
  // Anything else there, or a failure, is looked at as before.
  fd = ::openat(dir, name.c_str(),
                O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  struct stat info;
  if (fd < 0) {
    error = Classify(errno);
    // O_NOFOLLOW refuses a link, one to nothing included, with ELOOP; a FIFO
    // without a reader fails with ENXIO.
    if (errno == ELOOP || errno == ENXIO || errno == EOPNOTSUPP) {
      if (StatBelow(dir, name.c_str(), info)) {
        error = S_ISLNK(info.st_mode)   ? BelowError::Link
                : S_ISREG(info.st_mode) ? BelowError::Other
                                        : BelowError::NotRegular;
      }
    }
    return kInvalidHandle;
  }
  if (!KeptIfRegular(fd, info, error)) return kInvalidHandle;
  size = info.st_size < static_cast<off_t>(0xFFFFFFFFu) ? static_cast<uint32_t>(info.st_size)
                                                        : 0xFFFFFFFFu;
  return fd;
}

FileHandle OpenFileBelow(FileHandle folder, const std::string& name, BelowError& error) {
  const int dir = Descriptor(folder);
  const int fd =
      ::openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat info;
  if (fd < 0) {
    error = Classify(errno);
    if (errno == ELOOP && StatBelow(dir, name.c_str(), info) && S_ISLNK(info.st_mode))
      error = BelowError::Link;
    return kInvalidHandle;
  }
  if (!KeptIfRegular(fd, info, error)) return kInvalidHandle;
  return fd;
}

bool ListFolder(FileHandle folder,
                const std::function<void(const std::string&, EntryKind)>& found) {
  const int fd = ::openat(Descriptor(folder), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  DIR* listing = ::fdopendir(fd);
  if (listing == nullptr) {
    ::close(fd);
    return false;
  }
  errno = 0;
  while (const dirent* e = ::readdir(listing)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    unsigned char type = e->d_type;
    struct stat info;
    if (type == DT_UNKNOWN && StatBelow(fd, e->d_name, info)) {
      type = S_ISLNK(info.st_mode)   ? DT_LNK
             : S_ISDIR(info.st_mode) ? DT_DIR
             : S_ISREG(info.st_mode) ? DT_REG
                                     : DT_FIFO;
    }
    found(name, type == DT_REG   ? EntryKind::File
                : type == DT_DIR ? EntryKind::Folder
                : type == DT_LNK ? EntryKind::Link
                                 : EntryKind::Other);
    errno = 0;
  }
  const int error = errno;
  ::closedir(listing);
  errno = error;
  return error == 0;
}

bool RemoveFileBelow(FileHandle folder, const std::string& name) {
  struct stat info;
  return StatBelow(Descriptor(folder), name.c_str(), info) && S_ISREG(info.st_mode) &&
         ::unlinkat(Descriptor(folder), name.c_str(), 0) == 0;
}

void CloseFolder(FileHandle folder) {
  if (folder != kInvalidHandle) ::close(Descriptor(folder));
}

void ReserveHandles(size_t count) {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == 0) return;
  if (limit.rlim_cur != RLIM_INFINITY) count = std::min<size_t>(count, limit.rlim_cur - 1);
  // The table grows to hold the highest descriptor, and stays when it closes.
  const int highest =
      ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, static_cast<int>(std::min<size_t>(count, INT_MAX)));
  if (highest >= 0) ::close(highest);
}

size_t FolderHandleLimit() {
  rlimit limit{};
  if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 4096;
  return std::clamp<size_t>(limit.rlim_cur / 2, 8, 4096);
}

}  // namespace io::fs
