// Builds without a faster decoder: every entry is inflated by zlib's chunk loop.
#include <zlib.h>

#include <algorithm>

#include "extract/whole_inflate.h"

namespace extract {

bool HaveWholeInflate() { return false; }

bool InflateWhole(const uint8_t*, size_t, uint8_t*, uint32_t, uint32_t&) { return false; }

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size) {
  // zlib counts in uInt: a larger block goes in pieces.
  while (size > 0) {
    const uInt piece = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
    crc = static_cast<uint32_t>(crc32(crc, data, piece));
    data += piece;
    size -= piece;
  }
  return crc;
}

}  // namespace extract
