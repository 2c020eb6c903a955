#include "extract/inflate_copy.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "extract/decompression_stream.h"
#include "kol/file_backend.h"

namespace extract {
namespace {

// One buffer for every copy, so nothing is allocated per chunk however large
// the entry. One per thread, so that copies on different threads cannot mix
// their chunks.
thread_local uint8_t InflateCopyBuffer[kInflateChunk];

}  // namespace

InflateCopyResult InflateCopy(kol::Stream& source, uint32_t count, kol::Stream& destination) {
  InflateCopyResult result;
  std::unique_ptr<DecompressionStream> stream = CreateDecompressionStream(source, CheckValue::Skip);
  result.Created = stream != nullptr;
  uLong crc = crc32(0, nullptr, 0);
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
    crc = crc32(crc, InflateCopyBuffer, chunk);
    const uint32_t written = kol::StreamWrite(destination, InflateCopyBuffer, chunk);
    if (written != chunk) {
      result.WriteFailed = true;
      result.WriteError = kol::fs::LastErrorText();
      if (written != kol::kStreamError) result.Written += written;
      break;
    }
    result.Written += written;
    left -= chunk;
  } while (left > 0);
  if (stream != nullptr) {
    result.Ended = stream->Ended();
    result.ZlibError = stream->Error();
  } else {
    result.ZlibError = "zlib could not be initialised";
  }
  result.Crc32 = static_cast<uint32_t>(crc);
  return result;
}

}  // namespace extract
