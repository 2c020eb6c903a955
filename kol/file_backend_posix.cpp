#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

#include "kol/file_backend.h"

namespace kol::fs {
namespace {

// Paths inside the program use "\" as the Windows build does; the system
// call gets "/".
std::string SystemName(const std::string& name) {
  std::string result = name;
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

int Descriptor(FileHandle handle) { return static_cast<int>(handle); }

}  // namespace

FileHandle OpenFile(const std::string& name, uint32_t openFlags) {
  if (name.empty()) {
    errno = ENOENT;
    return kInvalidHandle;
  }
  const uint32_t access = openFlags & 0xFFFF0000u;
  const uint32_t disposition = (openFlags >> 8) & 0xFFu;
  const bool read = (access & 0x80000000u) != 0;
  const bool write = (access & 0x40000000u) != 0;
  int flags = O_CLOEXEC;
  if (read && write) {
    flags |= O_RDWR;
  } else if (write) {
    flags |= O_WRONLY;
  } else {
    flags |= O_RDONLY;
  }
  switch (disposition) {
    case 1: flags |= O_CREAT | O_EXCL; break;
    case 2: flags |= O_CREAT | O_TRUNC; break;
    case 3: break;
    case 4: flags |= O_CREAT; break;
    case 5: flags |= O_TRUNC; break;
    default: errno = EINVAL; return kInvalidHandle;
  }
  const std::string systemName = SystemName(name);
  const int fd = ::open(systemName.c_str(), flags, 0666);
  if (fd < 0) return kInvalidHandle;
  // Windows refuses to open a folder as a file; do the same here so that a
  // folder is never mistaken for an empty archive. (Opening one for writing
  // fails by itself.)
  struct stat info;
  if (!write && ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return kInvalidHandle;
  }
  return fd;
}

uint32_t ReadFile(FileHandle handle, void* buffer, uint32_t count) {
  if (handle == kInvalidHandle) return 0;
  auto* bytes = static_cast<char*>(buffer);
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(Descriptor(handle), bytes + done, std::min<uint32_t>(count - done, INT_MAX));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return done == 0 ? 0 : done;
    if (n == 0) break;
    done += static_cast<uint32_t>(n);
  }
  return done;
}

uint32_t WriteFile(FileHandle handle, const void* buffer, uint32_t count) {
  if (handle == kInvalidHandle) return 0;
  const auto* bytes = static_cast<const char*>(buffer);
  uint32_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(Descriptor(handle), bytes + done, std::min<uint32_t>(count - done, INT_MAX));
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

bool IsExistingDirectory(const std::string& name) {
  if (name.empty()) return false;
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

bool RemoveFile(const std::string& name) { return !name.empty() && ::unlink(SystemName(name).c_str()) == 0; }

std::string CurrentDirectory() {
  char buffer[4096];
  if (::getcwd(buffer, sizeof buffer) == nullptr) return std::string();
  return buffer;
}

std::string LastErrorText() { return std::strerror(errno); }

}  // namespace kol::fs
