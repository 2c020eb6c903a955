// The few file-system calls the program makes, behind one interface with a
// Win32 implementation (wide calls, UTF-8 names converted to UTF-16) and a POSIX
// one ("\" becomes "/" at the system call). Names are UTF-8 throughout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kol::fs {

using FileHandle = intptr_t;
inline constexpr FileHandle kInvalidHandle = -1;

// Open flags in one word: access in the high 16 bits (0x80000000 read,
// 0x40000000 write), share mode in the low byte (1 read, 2 write), creation
// disposition in the second byte (1 create new, 2 create always,
// 3 open existing, 4 open always, 5 truncate existing).
inline constexpr uint32_t kReadStreamFlags = 0x80000301u;
inline constexpr uint32_t kWriteStreamFlags = 0x40000400u;

// Regular files only: a folder, pipe or device is refused, and opening a FIFO
// never blocks. `whyNot`, when given, receives the reason of a failure: the
// system's words, or "not a regular file".
FileHandle OpenFile(const std::string& name, uint32_t openFlags, std::string* whyNot = nullptr);
// Bytes read or written; 0 when the call fails.
uint32_t ReadFile(FileHandle handle, void* buffer, uint32_t count);
uint32_t WriteFile(FileHandle handle, const void* buffer, uint32_t count);
// Ends the file at the current position.
bool SetEndOfFile(FileHandle handle);
// The new position, or 0xFFFFFFFF on failure (a negative target included).
uint32_t SetFilePointer(FileHandle handle, int32_t offset, uint8_t origin);
// The file's size, or 0xFFFFFFFF on failure.
uint32_t GetFileSize(FileHandle handle);
void CloseFile(FileHandle handle);

bool IsExistingDirectory(const std::string& name);
// Creates one folder level; true when it was created.
bool MakeDirectory(const std::string& name);
// Removes one file; true when it was removed.
bool RemoveFile(const std::string& name);
std::string CurrentDirectory();

// The system's text for the last failed call on this thread, for messages.
std::string LastErrorText();

// Opening, creating and removing names one level below an open folder,
// never through a symbolic link, junction or other reparse point: a name is
// looked up in the folder the handle holds, so nothing can be swapped in
// between looking and opening. `name` is one component (no separators, not
// "." or ".."). On failure `error` says what stood in the way and
// LastErrorText() gives the system's words (none for Link).
enum class BelowError {
  None,
  Missing,      // nothing has that name
  Exists,       // something has that name already (MakeFolderBelow)
  Link,         // a link stands at the name (or a link to nothing, which cannot be opened)
  NotFolder,    // something other than a folder stands at the name (OpenFolderBelow)
  NotRegular,   // something other than a regular file or folder, e.g. a FIFO (CreateFileBelow)
  NameTooLong,  // longer than the file system takes
  Other,
};

// The output folder itself, following links: the user chose it. A folder
// handle (from here, OpenFolderBelow or MakeFolderBelow) serves only the calls
// below and is given back with CloseFolder.
FileHandle OpenFolder(const std::string& name);
FileHandle OpenFolderBelow(FileHandle folder, const std::string& name, BelowError& error);
// Creates one folder level below `folder` and opens it.
FileHandle MakeFolderBelow(FileHandle folder, const std::string& name, BelowError& error);
// A regular file for writing, created when missing, opened at its start when
// present, not shared. A folder at the name fails as Other. `size` receives
// the file's size (0xFFFFFFFF when it cannot be said), which the caller would
// otherwise have to ask for again.
FileHandle CreateFileBelow(FileHandle folder, const std::string& name, BelowError& error,
                           uint32_t& size);
// Removes a regular file (never a link or what it points to); true when removed.
bool RemoveFileBelow(FileHandle folder, const std::string& name);
void CloseFolder(FileHandle folder);
// How many folders one walk through a tree may keep open: a share of the
// handles the process may have, the rest left for archives and files.
size_t FolderHandleLimit();

}  // namespace kol::fs
