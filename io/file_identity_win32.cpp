// What tells one file from another, locking it, and removing an unfinished
// file when the run is interrupted: the Win32 half.
#include <windows.h>

#include "io/file_backend.h"
#include "io/wide_text.h"

namespace io::fs {
namespace {

HANDLE Win(FileHandle handle) { return reinterpret_cast<HANDLE>(handle); }
FileHandle Handle(HANDLE handle) { return reinterpret_cast<FileHandle>(handle); }

}  // namespace

bool GetFileSize64(FileHandle handle, uint64_t& size) {
  LARGE_INTEGER value;
  if (handle == kInvalidHandle || !GetFileSizeEx(Win(handle), &value)) return false;
  size = static_cast<uint64_t>(value.QuadPart);
  return true;
}

bool IdentifyFile(FileHandle handle, FileIdentity& identity) {
  BY_HANDLE_FILE_INFORMATION info;
  if (handle == kInvalidHandle || !GetFileInformationByHandle(Win(handle), &info)) return false;
  identity = FileIdentity();
  identity.Volume = info.dwVolumeSerialNumber;
  identity.Index = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  identity.Size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  identity.Modified = static_cast<int64_t>((uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                                           info.ftLastWriteTime.dwLowDateTime);
  identity.Links = info.nNumberOfLinks;
  identity.ReadOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  return true;
}

bool IdentifyName(const std::string& name, FileIdentity& identity) {
  // Asking about a file needs no access to its content, and keeps no one out.
  HANDLE h = CreateFileW(WideFromUtf8(name).c_str(), FILE_READ_ATTRIBUTES,
                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool ok = IdentifyFile(Handle(h), identity);
  CloseHandle(h);
  return ok;
}

std::string ResolvedName(const std::string& name, FileHandle opened) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFinalPathNameByHandleW(Win(opened), path.data(), static_cast<DWORD>(path.size()), 0);
    if (length == 0) return name;
    if (length < path.size()) return Utf8FromWide(path.data(), length);
    path.resize(length + 1);  // Wine asks for one less than Windows: always one more
  }
}

bool LockAlone(FileHandle handle) {
  // A byte far behind any archive's end: the lock keeps out another locker
  // only, never a reader of the data.
  OVERLAPPED at{};
  at.OffsetHigh = 0x7FFFFFFF;
  return handle != kInvalidHandle &&
         LockFileEx(Win(handle), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                    &at) != 0;
}

void TakeOwnership(FileHandle, const FileIdentity&) {}

// Runs on a thread of its own while the writer goes on: a file being made
// is waited for (the writer sees the interruption and stops right after).
// The file goes when its handle closes, at the end of the process.
void RemoveUnfinished(Unfinished& file) {
  file.Interrupted = true;
  for (int waited = 0; file.State == 1 && waited < 2000; ++waited) Sleep(1);
  if (file.State != 2) return;
  FILE_DISPOSITION_INFO disposition{TRUE};
  SetFileInformationByHandle(Win(file.File), FileDispositionInfo, &disposition, sizeof disposition);
}

}  // namespace io::fs
