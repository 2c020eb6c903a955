// The Win32 half of walking below an open folder: names are looked up with
// NtCreateFile relative to the folder's handle, so no link is followed and
// nothing can be swapped in between looking and opening.
#include <windows.h>
#include <winternl.h>

#include <memory>

#include "io/file_backend.h"
#include "io/wide_text.h"

namespace io::fs {
namespace {

FileHandle Handle(HANDLE handle) { return reinterpret_cast<FileHandle>(handle); }

// The few NTSTATUS values looked at (ntstatus.h does not mix with windows.h).
constexpr uint32_t kNoSuchFile = 0xC000000Fu;
constexpr uint32_t kNameNotFound = 0xC0000034u;
constexpr uint32_t kNameCollision = 0xC0000035u;
constexpr uint32_t kPathNotFound = 0xC000003Au;
constexpr uint32_t kFileIsAFolder = 0xC00000BAu;
constexpr uint32_t kNotAFolder = 0xC0000103u;
constexpr uint32_t kNameTooLong = 0xC0000106u;

// What a folder handle needs to have names looked up and created below it.
constexpr ACCESS_MASK kFolderAccess = FILE_LIST_DIRECTORY | FILE_TRAVERSE;
// Others may read and write in a folder we hold, but not rename or remove it
// (nor so replace it with a link) while we walk through it.
constexpr ULONG kFolderShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

bool UnderWine() {
  static const bool wine =
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
  return wine;
}

// Win32 drops trailing dots and spaces from the last component of a path;
// the relative opens below bypass Win32, so that is done here, or "a." would
// become a file no Windows program can open by its name.
bool SystemComponent(const std::string& name, std::wstring& wide, BelowError& error) {
  wide = WideFromUtf8(name);
  while (!wide.empty() && (wide.back() == L'.' || wide.back() == L' ')) wide.pop_back();
  if (wide.empty() || wide.find_first_of(L"\\/:") != std::wstring::npos) {
    SetLastError(ERROR_INVALID_NAME);
    error = BelowError::Other;
    return false;
  }
  // NTFS, FAT and exFAT all stop at 255 UTF-16 units.
  if (wide.size() > 255) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    error = BelowError::NameTooLong;
    return false;
  }
  return true;
}

BelowError FromStatus(NTSTATUS status, const std::string& name) {
  switch (static_cast<uint32_t>(status)) {
    case kNoSuchFile:
    case kNameNotFound:
    case kPathNotFound:
      // Wine says "not found" for a name longer than the Unix file system
      // takes (255 bytes of UTF-8).
      if (UnderWine() && name.size() > 255) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return BelowError::NameTooLong;
      }
      return BelowError::Missing;
    case kNameCollision: return BelowError::Exists;
    case kNotAFolder: return BelowError::NotFolder;
    case kNameTooLong: return BelowError::NameTooLong;
    default: return BelowError::Other;
  }
}

// Opens `name` in `folder` itself, never what a reparse point there points
// to. The last error holds the reason of a failure.
NTSTATUS OpenBelow(HANDLE folder, const std::wstring& name, ACCESS_MASK access, ULONG share,
                   ULONG disposition, ULONG options, HANDLE& opened) {
  UNICODE_STRING text;
  text.Buffer = const_cast<wchar_t*>(name.data());
  text.Length = text.MaximumLength = static_cast<USHORT>(name.size() * sizeof(wchar_t));
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &text, OBJ_CASE_INSENSITIVE, folder, nullptr);
  IO_STATUS_BLOCK io{};
  opened = nullptr;
  const NTSTATUS status =
      NtCreateFile(&opened, access | SYNCHRONIZE | FILE_READ_ATTRIBUTES, &attributes, &io, nullptr,
                   FILE_ATTRIBUTE_NORMAL, share, disposition,
                   options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  if (!NT_SUCCESS(status)) {
    opened = nullptr;
    SetLastError(RtlNtStatusToDosError(status));
  }
  return status;
}

std::wstring FinalPath(HANDLE handle) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()), 0);
    if (length == 0) return std::wstring();
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    // Too small: Windows asks for room for the terminating zero as well, Wine
    // (8) for the characters only, so one more is always given.
    path.resize(length + 1);
  }
}

// What a folder handle of the calls below stands for: the system's handle,
// and under Wine the folder's final path once it has been asked for.
struct Folder {
  HANDLE Handle;
  std::wstring FinalPath;
};

FileHandle Adopt(HANDLE handle, std::wstring finalPath = std::wstring()) {
  return reinterpret_cast<FileHandle>(
      std::make_unique<Folder>(Folder{handle, std::move(finalPath)}).release());
}

Folder& Held(FileHandle folder) { return *reinterpret_cast<Folder*>(folder); }

// Wine shows a Unix symbolic link as what it points to, without the reparse
// attribute, and opens the target even when asked for the link itself. Only
// the final path of the handle, which Wine takes from the file it really
// opened, gives the link away. Undecidable counts as a link. `openedPath`
// receives the opened one's final path.
bool WineFollowedLink(Folder& folder, HANDLE opened, const std::wstring& name,
                      std::wstring* openedPath) {
  if (!UnderWine()) return false;
  if (folder.FinalPath.empty()) folder.FinalPath = FinalPath(folder.Handle);
  std::wstring actual = FinalPath(opened);
  if (folder.FinalPath.empty() || actual.empty()) return true;
  std::wstring expected = folder.FinalPath;
  if (expected.back() != L'\\') expected += L'\\';
  expected += name;
  const bool followed =
      CompareStringOrdinal(expected.data(), static_cast<int>(expected.size()), actual.data(),
                           static_cast<int>(actual.size()), TRUE) != CSTR_EQUAL;
  if (openedPath != nullptr) *openedPath = std::move(actual);
  return followed;
}

// What a handle just opened below `folder` must not be.
BelowError Inspect(Folder& folder, HANDLE opened, const std::wstring& name,
                   std::wstring* openedPath = nullptr) {
  // Not GetFileInformationByHandle: it asks for the volume as well, which
  // costs Wine ten times as much.
  FILE_ATTRIBUTE_TAG_INFO info;
  if (!GetFileInformationByHandleEx(opened, FileAttributeTagInfo, &info, sizeof info)) {
    return BelowError::Other;
  }
  if ((info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return BelowError::Link;
  if (WineFollowedLink(folder, opened, name, openedPath)) return BelowError::Link;
  return BelowError::None;
}

// Whether the thing that failed to open as a folder or as a file is a link.
bool IsLinkBelow(Folder& folder, const std::wstring& name) {
  const DWORD savedError = GetLastError();
  HANDLE opened;
  bool link = false;
  if (NT_SUCCESS(OpenBelow(folder.Handle, name, 0,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN, 0,
                           opened))) {
    link = Inspect(folder, opened, name) == BelowError::Link;
    CloseHandle(opened);
  }
  SetLastError(savedError);
  return link;
}

// Closes `opened` when Inspect finds something wrong with it.
bool Refused(Folder& folder, HANDLE opened, const std::wstring& name, BelowError& error,
             std::wstring* openedPath = nullptr) {
  error = Inspect(folder, opened, name, openedPath);
  if (error == BelowError::None) return false;
  const DWORD savedError = GetLastError();
  CloseHandle(opened);
  SetLastError(savedError);
  return true;
}

}  // namespace

FileHandle OpenFolder(const std::string& name) {
  if (name.empty()) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return kInvalidHandle;
  }
  HANDLE h =
      CreateFileW(WideFromUtf8(name).c_str(), kFolderAccess | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                  kFolderShare, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return kInvalidHandle;
  FILE_ATTRIBUTE_TAG_INFO info;
  if (!GetFileInformationByHandleEx(h, FileAttributeTagInfo, &info, sizeof info) ||
      (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    CloseHandle(h);
    SetLastError(ERROR_DIRECTORY);
    return kInvalidHandle;
  }
  return Adopt(h);
}

FileHandle OpenFolderBelow(FileHandle folder, const std::string& name, BelowError& error) {
  std::wstring wide;
  if (!SystemComponent(name, wide, error)) return kInvalidHandle;
  HANDLE opened;
  const NTSTATUS status = OpenBelow(Held(folder).Handle, wide, kFolderAccess, kFolderShare,
                                    FILE_OPEN, FILE_DIRECTORY_FILE, opened);
  if (!NT_SUCCESS(status)) {
    error = FromStatus(status, name);
    if (error == BelowError::NotFolder && IsLinkBelow(Held(folder), wide)) error = BelowError::Link;
    return kInvalidHandle;
  }
  std::wstring finalPath;
  if (Refused(Held(folder), opened, wide, error, &finalPath)) return kInvalidHandle;
  return Adopt(opened, std::move(finalPath));
}

FileHandle MakeFolderBelow(FileHandle folder, const std::string& name, BelowError& error) {
  std::wstring wide;
  if (!SystemComponent(name, wide, error)) return kInvalidHandle;
  // Created and opened in one call: nothing can take its place in between.
  HANDLE opened;
  const NTSTATUS status = OpenBelow(Held(folder).Handle, wide, kFolderAccess, kFolderShare,
                                    FILE_CREATE, FILE_DIRECTORY_FILE, opened);
  if (!NT_SUCCESS(status)) {
    error = FromStatus(status, name);
    return kInvalidHandle;
  }
  error = BelowError::None;
  return Adopt(opened);
}

FileHandle CreateFileBelow(FileHandle folder, const std::string& name, BelowError& error,
                           uint32_t& size, bool fresh) {
  std::wstring wide;
  if (!SystemComponent(name, wide, error)) return kInvalidHandle;
  Folder& parent = Held(folder);
  // DELETE, so that an interrupted run can have the file go (RemoveUnfinished).
  constexpr ACCESS_MASK kAccess = GENERIC_WRITE | DELETE;
  // Creating first, and opening only what was there already: under Wine,
  // opening-or-creating through a Unix link to nothing would create the file
  // it points to, wherever that is.
  for (int attempt = 0; attempt < 2; ++attempt) {
    HANDLE opened;
    NTSTATUS status =
        OpenBelow(parent.Handle, wide, kAccess, 0, FILE_CREATE, FILE_NON_DIRECTORY_FILE, opened);
    // A file there goes first, so that its other names keep what they hold.
    if (static_cast<uint32_t>(status) == kNameCollision && fresh && RemoveFileBelow(folder, name)) {
      status =
          OpenBelow(parent.Handle, wide, kAccess, 0, FILE_CREATE, FILE_NON_DIRECTORY_FILE, opened);
    }
    if (NT_SUCCESS(status)) {
      error = BelowError::None;
      size = 0;
      return Handle(opened);
    }
    if (static_cast<uint32_t>(status) != kNameCollision) {
      error = FromStatus(status, name);
      return kInvalidHandle;
    }
    status = OpenBelow(parent.Handle, wide, kAccess, 0, FILE_OPEN, FILE_NON_DIRECTORY_FILE, opened);
    if (NT_SUCCESS(status)) {
      if (Refused(parent, opened, wide, error)) return kInvalidHandle;
      if (GetFileType(opened) != FILE_TYPE_DISK) {
        CloseHandle(opened);
        SetLastError(ERROR_INVALID_FUNCTION);
        error = BelowError::NotRegular;
        return kInvalidHandle;
      }
      size = GetFileSize(Handle(opened));
      return Handle(opened);
    }
    error = FromStatus(status, name);
    if (error != BelowError::Missing) {
      // A link to a folder fails as a folder would.
      if (static_cast<uint32_t>(status) == kFileIsAFolder && IsLinkBelow(parent, wide)) {
        error = BelowError::Link;
      }
      return kInvalidHandle;
    }
    // There a moment ago, not found now: removed meanwhile, or, when that
    // happens twice, a link that points nowhere.
  }
  error = BelowError::Link;
  return kInvalidHandle;
}

bool RemoveFileBelow(FileHandle folder, const std::string& name) {
  std::wstring wide;
  BelowError error;
  if (!SystemComponent(name, wide, error)) return false;
  HANDLE opened;
  if (!NT_SUCCESS(OpenBelow(Held(folder).Handle, wide, DELETE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, FILE_OPEN,
                            FILE_NON_DIRECTORY_FILE, opened))) {
    return false;
  }
  FILE_DISPOSITION_INFO disposition{TRUE};
  const bool removed =
      Inspect(Held(folder), opened, wide) == BelowError::None &&
      SetFileInformationByHandle(opened, FileDispositionInfo, &disposition, sizeof disposition);
  CloseHandle(opened);
  return removed;
}

FileHandle OpenFileBelow(FileHandle folder, const std::string& name, BelowError& error) {
  std::wstring wide;
  if (!SystemComponent(name, wide, error)) return kInvalidHandle;
  HANDLE opened;
  const NTSTATUS status = OpenBelow(Held(folder).Handle, wide, GENERIC_READ, FILE_SHARE_READ,
                                    FILE_OPEN, FILE_NON_DIRECTORY_FILE, opened);
  if (!NT_SUCCESS(status)) {
    error = FromStatus(status, name);
    if (static_cast<uint32_t>(status) == kFileIsAFolder && IsLinkBelow(Held(folder), wide))
      error = BelowError::Link;
    return kInvalidHandle;
  }
  if (Refused(Held(folder), opened, wide, error)) return kInvalidHandle;
  if (GetFileType(opened) != FILE_TYPE_DISK) {
    CloseHandle(opened);
    SetLastError(ERROR_INVALID_FUNCTION);
    error = BelowError::NotRegular;
    return kInvalidHandle;
  }
  return Handle(opened);
}

bool ListFolder(FileHandle folder,
                const std::function<void(const std::string&, EntryKind)>& found) {
  // Under Wine a Unix link shows as what it points to; opening it below the
  // folder then says it is a link.
  alignas(8) char buffer[64 * 1024];
  for (FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;;
       kind = FileIdBothDirectoryInfo) {
    if (!GetFileInformationByHandleEx(Held(folder).Handle, kind, buffer, sizeof buffer))
      return GetLastError() == ERROR_NO_MORE_FILES;
    for (size_t at = 0;;) {
      const auto* e = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer + at);
      const std::wstring wide(e->FileName, e->FileNameLength / sizeof(wchar_t));
      if (wide != L"." && wide != L"..") {
        const DWORD a = e->FileAttributes;
        found(Utf8FromWide(wide.data(), wide.size()),
              (a & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? EntryKind::Link
              : (a & FILE_ATTRIBUTE_DIRECTORY) != 0   ? EntryKind::Folder
                                                      : EntryKind::File);
      }
      if (e->NextEntryOffset == 0) break;
      at += e->NextEntryOffset;
    }
  }
}

void CloseFolder(FileHandle folder) {
  if (folder == kInvalidHandle) return;
  const std::unique_ptr<Folder> held(&Held(folder));
  CloseHandle(held->Handle);
}

// Windows has handles to spare; each held folder only keeps that folder from
// being renamed or removed until the run ends.
size_t FolderHandleLimit() { return 1024; }

}  // namespace io::fs
