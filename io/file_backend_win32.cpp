#include <windows.h>

#include "io/file_backend.h"
#include "io/wide_text.h"

namespace io::fs {
namespace {

HANDLE Win(FileHandle handle) { return reinterpret_cast<HANDLE>(handle); }
FileHandle Handle(HANDLE handle) { return reinterpret_cast<FileHandle>(handle); }

// The open flags are the system's own numbers, handed to CreateFileW as they are.
static_assert(kAccessRead == GENERIC_READ && kAccessWrite == GENERIC_WRITE);
static_assert(kShareRead == FILE_SHARE_READ && kShareWrite == FILE_SHARE_WRITE);
static_assert(static_cast<DWORD>(Disposition::CreateNew) == CREATE_NEW &&
              static_cast<DWORD>(Disposition::CreateAlways) == CREATE_ALWAYS &&
              static_cast<DWORD>(Disposition::OpenExisting) == OPEN_EXISTING &&
              static_cast<DWORD>(Disposition::OpenAlways) == OPEN_ALWAYS &&
              static_cast<DWORD>(Disposition::TruncateExisting) == TRUNCATE_EXISTING);

}  // namespace

FileHandle OpenFile(const std::string& name, uint32_t openFlags, std::string* whyNot) {
  const DWORD access = AccessOf(openFlags);
  const DWORD share = ShareOf(openFlags);
  const DWORD disposition = static_cast<DWORD>(DispositionOf(openFlags));
  HANDLE h = CreateFileW(WideFromUtf8(name).c_str(), access, share, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    if (whyNot != nullptr) *whyNot = LastErrorText();
    return kInvalidHandle;
  }
  // A pipe, a console or a device such as NUL opens as well; none is a file.
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    SetLastError(ERROR_INVALID_FUNCTION);
    if (whyNot != nullptr) *whyNot = "not a regular file";
    return kInvalidHandle;
  }
  return Handle(h);
}

uint32_t ReadFileAt(FileHandle handle, void* buffer, uint32_t count, uint64_t offset) {
  OVERLAPPED at{};
  at.Offset = static_cast<DWORD>(offset);
  at.OffsetHigh = static_cast<DWORD>(offset >> 32);
  DWORD done = 0;
  if (handle == kInvalidHandle || !::ReadFile(Win(handle), buffer, count, &done, &at)) return 0;
  return done;
}

uint32_t CopyInsideSystem(FileHandle, uint64_t, FileHandle, uint32_t) { return 0; }

uint32_t WriteFile(FileHandle handle, const void* buffer, uint32_t count) {
  if (handle == kInvalidHandle) return 0;
  // A short write that reports success (Wine on a full disk) is continued,
  // so that the call that fails leaves its reason.
  const auto* bytes = static_cast<const char*>(buffer);
  uint32_t total = 0;
  while (total < count) {
    DWORD done = 0;
    if (!::WriteFile(Win(handle), bytes + total, count - total, &done, nullptr) || done == 0) break;
    total += done;
  }
  return total;
}

bool SetEndOfFile(FileHandle handle) {
  // Runs right after every write: it must not replace the reason of a failed
  // write (a full disk) with its own.
  const DWORD savedError = GetLastError();
  const bool ok = handle != kInvalidHandle && ::SetEndOfFile(Win(handle));
  SetLastError(savedError);
  return ok;
}

uint32_t SetFilePointer(FileHandle handle, int32_t offset, uint8_t origin) {
  if (handle == kInvalidHandle) return 0xFFFFFFFFu;
  const DWORD method = origin == 1 ? FILE_CURRENT : origin == 2 ? FILE_END : FILE_BEGIN;
  return ::SetFilePointer(Win(handle), offset, nullptr, method);
}

uint32_t GetFileSize(FileHandle handle) {
  if (handle == kInvalidHandle) return 0xFFFFFFFFu;
  return ::GetFileSize(Win(handle), nullptr);
}

void CloseFile(FileHandle handle) {
  if (handle != kInvalidHandle) CloseHandle(Win(handle));
}

bool FlushFile(FileHandle handle) {
  return handle != kInvalidHandle && FlushFileBuffers(Win(handle)) != 0;
}

bool SetModifiedTime(FileHandle handle, uint32_t unixSeconds) {
  const uint64_t steps = (unixSeconds + 11644473600ull) * 10000000ull;  // 100 ns from 1601
  const FILETIME written{static_cast<DWORD>(steps), static_cast<DWORD>(steps >> 32)};
  return handle != kInvalidHandle && SetFileTime(Win(handle), nullptr, nullptr, &written) != 0;
}

bool RenameReplacing(const std::string& from, const std::string& to) {
  return MoveFileExW(WideFromUtf8(from).c_str(), WideFromUtf8(to).c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool IsExistingDirectory(const std::string& name) {
  if (name.empty()) return false;
  const DWORD attributes = GetFileAttributesW(WideFromUtf8(name).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool MakeDirectory(const std::string& name) {
  if (name.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return false;
  }
  return CreateDirectoryW(WideFromUtf8(name).c_str(), nullptr) != 0;
}

bool RemoveFile(const std::string& name) {
  return !name.empty() && DeleteFileW(WideFromUtf8(name).c_str()) != 0;
}

std::string CurrentDirectory() {
  wchar_t buffer[MAX_PATH + 1];
  const DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, buffer);
  if (length == 0 || length > MAX_PATH) return std::string();
  return Utf8FromWide(buffer, length);
}

std::string LastErrorText() {
  const DWORD code = GetLastError();
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string result = length > 0 ? Utf8FromWide(text, length) : std::string();
  if (text != nullptr) LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' ||
                             result.back() == ' ' || result.back() == '.')) {
    result.pop_back();
  }
  if (result.empty()) result = "system error " + std::to_string(code);
  return result;
}

}  // namespace io::fs
