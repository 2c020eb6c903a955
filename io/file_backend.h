// The few file-system calls the program makes, behind one interface with a
// Win32 implementation (wide calls, UTF-8 names converted to UTF-16) and a POSIX
// one ("\" becomes "/" at the system call). Names are UTF-8 throughout.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace io::fs {

using FileHandle = intptr_t;
inline constexpr FileHandle kInvalidHandle = -1;

// Open flags in one word, in the numbers Windows gives them, so that the
// Win32 backend hands each part to the system as it is: access in the high
// 16 bits, the creation disposition in the second byte, the share mode in the
// low byte.
inline constexpr uint32_t kAccessRead = 0x80000000u;
inline constexpr uint32_t kAccessWrite = 0x40000000u;
inline constexpr uint32_t kShareRead = 0x01u;
inline constexpr uint32_t kShareWrite = 0x02u;

enum class Disposition : uint32_t {
  CreateNew = 1,         // fails when the file exists
  CreateAlways = 2,      // a file that exists is cut to nothing
  OpenExisting = 3,      // fails when the file is missing
  OpenAlways = 4,        // created when missing, opened as it is when present
  TruncateExisting = 5,  // fails when the file is missing, cut to nothing otherwise
};

constexpr uint32_t DispositionFlags(Disposition d) { return static_cast<uint32_t>(d) << 8; }

// The parts of an open-flags word.
constexpr uint32_t AccessOf(uint32_t openFlags) { return openFlags & 0xFFFF0000u; }
constexpr uint32_t ShareOf(uint32_t openFlags) { return openFlags & 0xFFu; }
constexpr Disposition DispositionOf(uint32_t openFlags) {
  return static_cast<Disposition>((openFlags >> 8) & 0xFFu);
}

// Reading an archive: it must exist, and other readers may have it open too.
inline constexpr uint32_t kReadStreamFlags =
    kAccessRead | DispositionFlags(Disposition::OpenExisting) | kShareRead;
// Writing a file: created when missing, not shared.
inline constexpr uint32_t kWriteStreamFlags =
    kAccessWrite | DispositionFlags(Disposition::OpenAlways);

// Regular files only: a folder, pipe or device is refused, and opening a FIFO
// never blocks. `whyNot`, when given, receives the reason of a failure: the
// system's words, or "not a regular file".
FileHandle OpenFile(const std::string& name, uint32_t openFlags, std::string* whyNot = nullptr);
// Bytes read or written; 0 when the call fails. ReadFileAt reads from
// `offset` on, whatever the handle's own position.
uint32_t ReadFileAt(FileHandle handle, void* buffer, uint32_t count, uint64_t offset);
uint32_t WriteFile(FileHandle handle, const void* buffer, uint32_t count);
// Copies bytes from `offset` in `from` to the position of `to` inside the
// system, without passing them through this program. The count copied: it
// stops short, down to 0, where the system or its file systems cannot (on
// Windows always), and the rest is for the caller to copy.
uint32_t CopyInsideSystem(FileHandle from, uint64_t offset, FileHandle to, uint32_t count);
// Ends the file at the current position.
bool SetEndOfFile(FileHandle handle);
// The new position, or 0xFFFFFFFF on failure (a negative target included).
uint32_t SetFilePointer(FileHandle handle, int32_t offset, uint8_t origin);
// The file's size, or 0xFFFFFFFF on failure.
uint32_t GetFileSize(FileHandle handle);
void CloseFile(FileHandle handle);

// Writes what the system still holds of the file to the disk; a rename that
// follows then never publishes a file whose content is not there yet.
bool FlushFile(FileHandle handle);
// Sets the time the file was last written, in seconds since 1970 (UTC).
bool SetModifiedTime(FileHandle handle, uint32_t unixSeconds);
// Renames `from` to `to`, replacing a file at `to` in one step: a reader sees
// the old file or the new one, never neither.
bool RenameReplacing(const std::string& from, const std::string& to);

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
// Makes room for up to `count` open handles at once, as far as the process
// may have them. A POSIX system grows its table of descriptors as more are
// opened, and growing it while other threads run makes it wait until every
// one of them has passed a quiet point (milliseconds each time): a program
// about to start threads makes room first. Windows has nothing to grow.
#ifdef _WIN32
inline void ReserveHandles(size_t) {}
#else
void ReserveHandles(size_t count);
#endif

}  // namespace io::fs
