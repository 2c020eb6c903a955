// The few file-system calls the program makes, behind one interface with a
// Win32 implementation (wide calls, UTF-8 names converted to UTF-16) and a POSIX
// one ("\" becomes "/" at the system call). Names are UTF-8 throughout.
#pragma once

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

FileHandle OpenFile(const std::string& name, uint32_t openFlags);
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

}  // namespace kol::fs
