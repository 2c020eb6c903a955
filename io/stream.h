// The stream abstraction every part of the program reads and writes through:
// file read and write streams, memory streams, and (in extract/) the
// decompression stream. Nothing here throws; a failed system call shows up as
// a short count or as kStreamError, exactly as the callers expect.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "io/file_backend.h"

namespace io {

// All-ones result of Seek and GetSize on failure, and of Read and Write on
// streams that cannot do them.
inline constexpr uint32_t kStreamError = 0xFFFFFFFFu;

// Seek origins.
inline constexpr uint8_t kFromBeginning = 0;
inline constexpr uint8_t kFromCurrent = 1;
inline constexpr uint8_t kFromEnd = 2;

class Stream {
 public:
  virtual ~Stream() = default;  // the Close operation: releases what the stream holds
  Stream() = default;
  Stream(const Stream&) = delete;
  Stream& operator=(const Stream&) = delete;

  virtual uint32_t Seek(int32_t offset, uint8_t origin) = 0;
  virtual uint32_t GetSize() = 0;
  virtual void SetSize(uint32_t /*newSize*/) {}
  virtual uint32_t Read(void* buffer, uint32_t count) = 0;
  virtual uint32_t Write(const void* buffer, uint32_t count) = 0;

  // Sets a file's modification time (seconds since 1970, UTC); false for
  // every other kind of stream and when the system refuses.
  virtual bool SetModifiedTime(uint32_t /*unixSeconds*/) { return false; }

  // The data block of a memory stream; null for every other kind. Copies
  // between streams use it to move bytes without a staging buffer.
  virtual uint8_t* Memory() { return nullptr; }

  // False for a file stream whose file could not be opened or created; such a
  // stream still works as described above, so callers that do not care need
  // not ask.
  virtual bool IsOpen() const { return true; }
};

using StreamPtr = std::unique_ptr<Stream>;

// A read stream on an existing regular file (shared for reading). A file that
// cannot be opened, and anything that is not a regular file (a folder, a pipe,
// a device), still yields a stream: its reads return 0, its Seek and GetSize
// kStreamError, its IsOpen false; `whyNot`, when given, then receives the
// system's reason or "not a regular file".
StreamPtr OpenReadStream(const std::string& fileName, std::string* whyNot = nullptr);

// A read stream, as OpenReadStream's, over a file already open for reading,
// with a position of its own: several streams, on several threads, can read
// one open file. With `owns` the stream closes the handle.
StreamPtr ReadStreamOnHandle(fs::FileHandle file, bool owns);

// A write stream on a file, created when missing, opened from its start when
// present, not shared. Every write ends the file right behind the bytes written;
// a file to which nothing is written keeps its old content.
StreamPtr CreateWriteStream(const std::string& fileName);

// A write stream, as CreateWriteStream's, over a file already open for
// writing at its start, whose size the caller knows (0xFFFFFFFF: unknown);
// the stream owns the handle from now on.
StreamPtr WriteStreamOnHandle(fs::FileHandle file, uint32_t size);

// An empty memory stream.
StreamPtr CreateMemoryStream();

inline uint32_t StreamRead(Stream& s, void* buffer, uint32_t count) {
  return s.Read(buffer, count);
}
inline uint32_t StreamWrite(Stream& s, const void* buffer, uint32_t count) {
  return s.Write(buffer, count);
}
inline uint32_t StreamSeek(Stream& s, int32_t offset, uint8_t origin) {
  return s.Seek(offset, origin);
}
inline uint32_t StreamSize(Stream& s) { return s.GetSize(); }
inline uint32_t StreamPosition(Stream& s) { return s.Seek(0, kFromCurrent); }

// Copies up to count bytes from source to destination and returns how many
// bytes the destination accepted. A memory stream on either side is read or
// filled in place; between two other streams the bytes pass through a buffer
// of at most kCopyChunk bytes at a time, so memory does not grow with count.
inline constexpr uint32_t kCopyChunk = 1u << 20;
uint32_t CopyStreamBytes(Stream& destination, Stream& source, uint32_t count);

}  // namespace io
