// InflateCopy and the decompression stream on arbitrary data and counts: the
// destination receives exactly the count asked for, zeros past what zlib
// produced, and a stream read in small pieces gives what one large read gives.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "extract/decompression_stream.h"
#include "extract/inflate_copy.h"
#include "fuzz/fuzz_check.h"
#include "kol/stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  // The first bytes choose the count (at most 300,000: six chunks), the size
  // of the small reads, and whether the zlib header is put in front, as
  // extraction does.
  const uint32_t count = (data[0] | data[1] << 8 | (data[2] & 0x03) << 16) % 300001;
  const uint32_t piece = 1 + (data[3] >> 1);
  kol::StreamPtr source = kol::CreateMemoryStream();
  if ((data[3] & 1) != 0) kol::StreamWrite(*source, "\x78\x9c", 2);
  kol::StreamWrite(*source, data + 4, static_cast<uint32_t>(size - 4));

  kol::StreamSeek(*source, 0, kol::kFromBeginning);
  kol::StreamPtr destination = kol::CreateMemoryStream();
  const extract::InflateCopyResult r = extract::InflateCopy(*source, count, *destination);
  CHECK(r.Created && r.Written == count && !r.WriteFailed && r.Produced <= count);
  CHECK(kol::StreamSize(*destination) == count);
  for (uint32_t i = r.Produced; i < count; ++i) CHECK(destination->Memory()[i] == 0);

  static uint8_t whole[65536], pieces[65536];
  kol::StreamSeek(*source, 0, kol::kFromBeginning);
  auto a = extract::CreateDecompressionStream(*source, extract::CheckValue::Skip);
  const uint32_t once = a->Read(whole, sizeof whole);
  kol::StreamSeek(*source, 0, kol::kFromBeginning);
  auto b = extract::CreateDecompressionStream(*source, extract::CheckValue::Skip);
  uint32_t got = 0;
  for (uint32_t n; got < sizeof pieces; got += n) {
    n = b->Read(pieces + got, std::min<uint32_t>(piece, sizeof pieces - got));
    if (n == 0 || n == kol::kStreamError) break;
  }
  if (once != kol::kStreamError && b->Error().empty()) {
    CHECK(got == once && std::memcmp(whole, pieces, once) == 0);
  }
  return 0;
}
