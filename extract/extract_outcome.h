// What happened to one entry that was to be written: decided once, here in the
// core, as a kind of problem with its details. Each front end words it in its
// own language (the CLI in English, the desktop program in Russian).
#pragma once

#include <cstdint>
#include <string>

namespace extract {

enum class ExtractStatus {
  Written,     // the file holds the entry's content
  NotWritten,  // refused or failed; what the file system holds is said by the problem
  Damaged,     // a file was written, but the archive's data for it is damaged or cut
};

enum class Problem {
  None,
  // Refused before anything was touched: the entry's path or name.
  NoOutputFolder,
  ClimbsOut,        // a ".." folder
  DotsFolder,       // a folder named only by dots and spaces
  BadCharInFolder,  // a folder name with a character no file name can hold
  DeviceFolder,     // a folder named after a Windows device; Detail: the name
  EmptyName,
  DotsName,  // Detail: the name
  SlashInName,
  BadCharInName,
  DeviceName,  // Detail: the name
  // Refused: an alias that stands for no record's data.
  AliasMissing,  // no record bears the name; Detail: the alias (UTF-8)
  AliasLoop,     // the chain of aliases comes back on itself; Detail: the alias (UTF-8)
  // Refused: the entry's sizes or compression code.
  NegativeStoredSize,  // Value: the stored size
  NegativeSize,        // Value: the unpacked size
  TooFewForGzip,       // Value: the stored size (nothing written)
  NoCompressionCode,   // the entry has data but no compression code; nothing written
  UnknownCompression,  // Value: the code; nothing written
  // The file system or the machine.
  LinkInside,        // Detail: the link met on the way (a symbolic link, junction or reparse point)
  FolderNotCreated,  // Detail: the folder; SystemError
  FileNotCreated,    // SystemError
  NameTooLong,       // Detail: the folder or file whose name is too long
  WriteFailed,       // Done of Total bytes written; SystemError; Removed
  OutOfMemory,
  ArchiveUnreadable,  // the archive's size or data could not be read at all; SystemError
  // Damaged data: a file of full length was written.
  DataBeyondEnd,     // the entry's data starts beyond the end of the archive
  ArchiveEndsEarly,  // only Done of Total stored bytes are in the archive
  ReadFailed,        // the archive could be read for only Done of Total bytes
  GzipTooShort,      // Value: the stored size, too small to hold a gzip trailer
  ZlibError,         // Detail: zlib's words
  DataEndsEarly,     // the deflate data ended before Size bytes were unpacked
  LengthMismatch,    // Value: the unpacked size; Expected: the trailer's length
  CrcMismatch,       // Found: the unpacked data's CRC-32; Expected: the trailer's
};

struct ExtractOutcome {
  ExtractStatus Status = ExtractStatus::Written;
  Problem Kind = Problem::None;
  std::string Destination;  // the file name as composed (UTF-8, "\" separated)

  // Details; which of them mean something depends on Kind.
  std::string Detail;
  std::string SystemError;  // the system's words for a failed call
  int64_t Value = 0;
  int64_t Done = 0, Total = 0;
  uint32_t Found = 0, Expected = 0;
  bool Removed = false;  // a failed write's incomplete file was removed
  // For damaged data: bytes written from the archive (stored) or unpacked
  // (compressed); the rest of a compressed file, up to Size, is zeros. -1: none.
  int64_t Unpacked = -1;
  bool Compressed = false;  // the entry is compressed (code 3)
  int64_t Size = 0;         // the entry's unpacked size, for compressed entries
};

}  // namespace extract
