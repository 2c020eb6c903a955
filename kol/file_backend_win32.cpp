#include <windows.h>

#include "kol/file_backend.h"
#include "kol/wide_text.h"

namespace kol::fs {
namespace {

HANDLE Win(FileHandle handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

FileHandle OpenFile(const std::string& name, uint32_t openFlags) {
  const DWORD access = openFlags & 0xFFFF0000u;
  const DWORD share = openFlags & 0xFFu;
  const DWORD disposition = (openFlags >> 8) & 0xFFu;
  HANDLE h = CreateFileW(WideFromUtf8(name).c_str(), access, share, nullptr, disposition,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? kInvalidHandle : reinterpret_cast<FileHandle>(h);
}

uint32_t ReadFile(FileHandle handle, void* buffer, uint32_t count) {
  DWORD done = 0;
  if (handle == kInvalidHandle || !::ReadFile(Win(handle), buffer, count, &done, nullptr)) return 0;
  return done;
}

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
      nullptr, code, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), reinterpret_cast<wchar_t*>(&text), 0,
      nullptr);
  std::string result = length > 0 ? Utf8FromWide(text, length) : std::string();
  if (text != nullptr) LocalFree(text);
  while (!result.empty() && (result.back() == '\n' || result.back() == '\r' || result.back() == ' ' ||
                             result.back() == '.')) {
    result.pop_back();
  }
  if (result.empty()) result = "system error " + std::to_string(code);
  return result;
}

}  // namespace kol::fs
