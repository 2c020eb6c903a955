#include "extract/inflate_copy.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "extract/decompression_stream.h"
#include "extract/whole_inflate.h"
#include "io/file_backend.h"

namespace extract {
namespace {

// One buffer for every copy, so nothing is allocated per chunk however large
// the entry. One per thread, so that copies on different threads cannot mix
// their chunks.
thread_local uint8_t InflateCopyBuffer[kInflateChunk];

// Entries up to this size are inflated for a file in a buffer kept by the
// thread, so that most entries cost no allocation; a larger one has a buffer
// of its own for the time it takes.
constexpr uint32_t kKeptBuffer = 8u << 20;
// Beyond this size an entry for a file goes through the chunk loop, so that a
// huge entry does not need all of its unpacked bytes in memory at once.
constexpr uint32_t kLargestForFile = 64u << 20;

// Whether a zlib header announces plain deflate data as the faster decoder
// reads it: method 8, a window of 32 KiB, no preset dictionary, valid check bits.
bool PlainDeflateHeader(const uint8_t* header) {
  return header[0] == 0x78 && (header[1] & 0x20) == 0 && (header[0] << 8 | header[1]) % 31 == 0;
}

// Writes as InflateCopy does, chunk by chunk, stopping at the first short
// write, so that a failed write leaves the same file and the same counts: as
// far as InflateCopy got, the chunk it failed to write included.
void WriteInChunks(const uint8_t* bytes, uint32_t count, io::Stream& destination,
                   InflateCopyResult& result) {
  uint32_t done = 0;
  do {
    const uint32_t chunk = std::min(count - done, kInflateChunk);
    const uint32_t written = io::StreamWrite(destination, bytes + done, chunk);
    if (written != chunk) {
      result.WriteFailed = true;
      result.WriteError = io::fs::LastErrorText();
      if (written != io::kStreamError) result.Written += written;
      result.Produced = done + chunk;
      result.Crc32 = Crc32(0, bytes, done + chunk);
      return;
    }
    result.Written += written;
    done += chunk;
  } while (done < count);
  result.Produced = count;
}

// The faster decoder's share of InflateEntry: true when it inflated the entry
// (result filled, destination written), false when nothing was written and
// zlib is to inflate it.
bool InflateSound(io::Stream& zlibData, uint32_t count, const EntryCheck& check,
                  io::Stream& destination, InflateCopyResult& result) {
  const uint32_t start = io::StreamPosition(zlibData);
  const uint32_t size = io::StreamSize(zlibData);
  constexpr uint32_t kHeader = 2;
  if (start == io::kStreamError || size == io::kStreamError || size - start < kHeader) return false;
  const uint8_t* zlib = zlibData.Memory() + start;
  if (!PlainDeflateHeader(zlib)) return false;

  // Straight into a memory stream: no second copy of the entry. Should the
  // entry not be sound, InflateCopy rewrites every one of those bytes. A file
  // gets it through a buffer, in InflateCopy's chunks.
  uint8_t* memory = destination.Memory();
  uint32_t at = 0;
  thread_local std::vector<uint8_t> kept;
  std::vector<uint8_t> own;
  uint8_t* out = nullptr;
  if (memory != nullptr) {
    at = io::StreamPosition(destination);
    if (at == io::kStreamError || uint64_t{at} + count > UINT32_MAX) return false;
    if (io::StreamSize(destination) < at + count) destination.SetSize(at + count);
    out = destination.Memory() + at;
  } else {
    if (count > kLargestForFile) return false;
    std::vector<uint8_t>& buffer = count <= kKeptBuffer ? kept : own;
    try {
      if (buffer.size() < count) buffer.resize(count);
    } catch (const std::bad_alloc&) {
      // The chunk loop needs no more memory than it has.
      return false;
    }
    out = buffer.data();
  }
  uint32_t crc = 0;
  if (!InflateWhole(zlib + kHeader, size - start - kHeader, out, count, crc) ||
      crc != check.Crc32) {
    return false;
  }
  result.Crc32 = crc;
  if (memory != nullptr) {
    io::StreamSeek(destination, static_cast<int32_t>(at + count), io::kFromBeginning);
    result.Written = count;
    result.Produced = count;
  } else {
    WriteInChunks(out, count, destination, result);
  }
  result.Created = true;
  return true;
}

}  // namespace

InflateCopyResult InflateCopy(io::Stream& source, uint32_t count, io::Stream& destination) {
  InflateCopyResult result;
  std::unique_ptr<DecompressionStream> stream = CreateDecompressionStream(source);
  result.Created = stream != nullptr;
  uint32_t crc = 0;
  uint32_t left = count;
  do {
    const uint32_t chunk = std::min(left, kInflateChunk);
    uint32_t produced = 0;
    if (stream != nullptr) {
      const uint32_t before = stream->Produced();
      stream->Read(InflateCopyBuffer, chunk);
      // Also after an error: what zlib put in the buffer before it stopped
      // is counted by zlib itself.
      produced = stream->Produced() - before;
    }
    // Whatever zlib did not produce must not show an earlier chunk's bytes.
    if (produced < chunk) std::memset(InflateCopyBuffer + produced, 0, chunk - produced);
    result.Produced += produced;
    crc = Crc32(crc, InflateCopyBuffer, chunk);
    const uint32_t written = io::StreamWrite(destination, InflateCopyBuffer, chunk);
    if (written != chunk) {
      result.WriteFailed = true;
      result.WriteError = io::fs::LastErrorText();
      if (written != io::kStreamError) result.Written += written;
      break;
    }
    result.Written += written;
    left -= chunk;
  } while (left > 0);
  if (stream != nullptr) {
    result.ZlibError = stream->Error();
  } else {
    result.ZlibError = "zlib could not be initialised";
  }
  result.Crc32 = crc;
  return result;
}

InflateCopyResult InflateEntry(io::Stream& zlibData, uint32_t count, const EntryCheck* check,
                               io::Stream& destination) {
  // Only an entry that will be found sound is worth the faster decoder: zlib
  // alone tells how far damaged data goes, and damage is rare.
  if (HaveWholeInflate() && check != nullptr && check->Length == count && count > 0 &&
      zlibData.Memory() != nullptr) {
    InflateCopyResult result;
    if (InflateSound(zlibData, count, *check, destination, result)) return result;
  }
  return InflateCopy(zlibData, count, destination);
}

}  // namespace extract
