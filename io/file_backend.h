// The few file-system calls the program makes, behind one interface with a
// Win32 implementation (wide calls, UTF-8 names converted to UTF-16) and a POSIX
// one ("\" becomes "/" at the system call). Names are UTF-8 throughout.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
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

// DELETE: a file opened with it can be marked to go when it is closed, which
// is how an interrupted run removes what it was writing on Windows.
inline constexpr uint32_t kAccessDelete = 0x00010000u;

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
// The file's size in 64 bits, also beyond what GetFileSize can say; false
// when the system cannot say it.
bool GetFileSize64(FileHandle handle, uint64_t& size);

// What tells one file from another, and whether it has changed since: the
// volume and the file's number on it, its size and time of last writing. The
// rest describes it for a file that is to take its place.
struct FileIdentity {
  uint64_t Volume = 0, Index = 0, Size = 0;
  int64_t Modified = 0;   // in the system's own units
  uint32_t Links = 1;     // names of the file (hard links)
  bool ReadOnly = false;  // no one may write it (no write bit, the read-only attribute)
  uint32_t Mode = 0, Owner = 0, Group = 0;  // POSIX only
  bool SameAs(const FileIdentity& o) const {
    return Volume == o.Volume && Index == o.Index && Size == o.Size && Modified == o.Modified;
  }
};
bool IdentifyFile(FileHandle handle, FileIdentity& identity);
// The file a name stands for now, links followed.
bool IdentifyName(const std::string& name, FileIdentity& identity);
// The name of the file `opened` (opened by `name`) really is, every link on
// the way resolved; `name` itself when it cannot be said.
std::string ResolvedName(const std::string& name, FileHandle opened);
// Takes an exclusive lock on the file for as long as the handle is open,
// without waiting: false when another process holds it (or the system
// refuses). Other readers are not kept out: only another locker is.
bool LockAlone(FileHandle handle);
// Gives `file` the mode, owner and group of the file `like` describes, as far
// as the system lets this process; nothing on Windows, where a new file takes
// its folder's permissions as the old one did.
void TakeOwnership(FileHandle file, const FileIdentity& like);

// A file an interrupted run must not leave behind, kept where a signal
// handler (a console control handler, on a thread of its own, on Windows)
// reaches it. The writing thread calls BeginUnfinished before it creates the
// file, MadeUnfinished once it is open and EndUnfinished once it is whole;
// the handler calls RemoveUnfinished. Whichever of them comes second removes
// the file, and a writer that meets an interruption waits for the end of the
// process, so that no file is made or closed while the handler looks at it.
struct Unfinished {
  std::atomic<int> State{0};  // 0 none, 1 being created, 2 open (File set)
  std::atomic<bool> Interrupted{false};
  FileHandle Folder = kInvalidHandle;  // none: Name is a path of its own
  FileHandle File = kInvalidHandle;    // opened with kAccessDelete
  char Name[1024] = {};
};
void BeginUnfinished(Unfinished& file, FileHandle folder, const std::string& name);
void MadeUnfinished(Unfinished& file, FileHandle handle);
void EndUnfinished(Unfinished& file);
// Removes the file, as far as it was made; safe inside a signal handler.
// POSIX: a file still being created is removed only when it is an empty
// regular file, so that nothing else that stood at the name is taken.
void RemoveUnfinished(Unfinished& file);

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
// otherwise have to ask for again. With `fresh` a file that is there is
// removed first and a new one made in its place, so that its other names
// (hard links) keep what they hold. Opened with kAccessDelete on Windows.
FileHandle CreateFileBelow(FileHandle folder, const std::string& name, BelowError& error,
                           uint32_t& size, bool fresh = false);
// A regular file for reading, shared for reading; never through a link.
FileHandle OpenFileBelow(FileHandle folder, const std::string& name, BelowError& error);
// Kinds of what ListFolder finds.
enum class EntryKind { File, Folder, Link, Other };
// The names in an open folder (not "." and ".."), each with its kind as the
// listing gives it, links as links; false on failure.
bool ListFolder(FileHandle folder, const std::function<void(const std::string&, EntryKind)>& found);
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
