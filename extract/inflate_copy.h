// InflateCopy: pulls a given number of inflated bytes out of zlib data into
// a destination stream, in chunks of kInflateChunk bytes through one buffer.
#pragma once

#include <cstdint>
#include <string>

#include "io/stream.h"

namespace extract {

inline constexpr uint32_t kInflateChunk = 50000;

struct InflateCopyResult {
  bool Created = false;   // zlib could be initialised
  uint32_t Produced = 0;  // bytes zlib produced, at most the count asked for
  std::string ZlibError;  // zlib's words for a damaged stream; empty when none
  uint32_t Written = 0;   // bytes the destination accepted
  bool WriteFailed = false;
  std::string WriteError;  // the system's words for the failed write
  uint32_t Crc32 = 0;      // CRC-32 of the bytes delivered, zeros included

  bool operator==(const InflateCopyResult&) const = default;
};

// Inflates zlib data read from `source` (positioned at its start) and writes
// `count` bytes to `destination` at its current position: every chunk at its
// full size, so the destination receives count bytes even when the data is
// damaged or ends early. Bytes zlib did not produce are zeros. The four check
// bytes behind the deflate data are not compared (the archive keeps a CRC-32
// there; the caller compares Crc32 with it). At least one write is made, also
// for a count of 0, so an existing file is cut. Writing stops at the first
// short write.
InflateCopyResult InflateCopy(io::Stream& source, uint32_t count, io::Stream& destination);

// What the archive says the inflated entry is: the gzip trailer.
struct EntryCheck {
  uint32_t Crc32 = 0;
  uint32_t Length = 0;
};

// InflateCopy for a whole entry staged in memory: `zlibData` is a memory
// stream holding, from its start, the zlib header and the entry's deflate data
// (and whatever follows it). Writes and returns exactly what InflateCopy would.
// When the entry is sound (it inflates cleanly to count bytes that match
// `check`) it is inflated at once by the faster decoder, straight into the
// destination's memory when it is a memory stream, else into a buffer written
// out in InflateCopy's chunks; any other entry, and every entry without
// `check`, goes through InflateCopy.
InflateCopyResult InflateEntry(io::Stream& zlibData, uint32_t count, const EntryCheck* check,
                               io::Stream& destination);

}  // namespace extract
