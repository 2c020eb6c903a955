#include "io/stream.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace io {

uint32_t CopyStreamBytes(Stream& destination, Stream& source, uint32_t count) {
  if (uint8_t* memory = source.Memory()) {
    const uint32_t position = StreamPosition(source);
    count = std::min(count, StreamSize(source) - position);
    const uint32_t written = destination.Write(memory + position, count);
    source.Seek(static_cast<int32_t>(position + written), kFromBeginning);
    return written;
  }
  if (destination.Memory() != nullptr) {
    const uint32_t position = StreamPosition(destination);
    const uint32_t size = StreamSize(destination);
    count = std::min(count, UINT32_MAX - position);
    const bool grows = position + count > size;
    if (grows) destination.SetSize(position + count);
    uint32_t read = source.Read(destination.Memory() + position, count);
    if (read == kStreamError) read = 0;
    // The stream ends where writing what was read would have ended it.
    if (grows && read < count) destination.SetSize(std::max(size, position + read));
    destination.Seek(static_cast<int32_t>(position + read), kFromBeginning);
    return read;
  }
  // Through a bounded buffer. At least one write is made, also for a count of
  // 0 or an empty source: a write stream ends its file at every write, and an
  // existing file is meant to be cut to what was copied.
  // Not cleared first: every byte written from it was read into it.
  const uint32_t bufferSize = std::max<uint32_t>(std::min(count, kCopyChunk), 1);
  const auto buffer = std::make_unique_for_overwrite<uint8_t[]>(bufferSize);
  uint32_t total = 0;
  do {
    const uint32_t want = std::min(count - total, kCopyChunk);
    uint32_t read = want == 0 ? 0 : source.Read(buffer.get(), want);
    if (read == kStreamError) read = 0;
    const uint32_t written = destination.Write(buffer.get(), read);
    if (written == kStreamError) break;
    total += written;
    if (written != read || read != want) break;
  } while (total < count);
  return total;
}

}  // namespace io
