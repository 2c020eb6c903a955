// The decompression stream and InflateCopy on arbitrary data and counts: the
// destination always receives exactly the count asked for, never more bytes
// than zlib produced are non-zero past the produced part, and the forward-only
// seeks keep their promises.
#include <cstdint>
#include <cstring>
#include <string>

#include "extract/decompression_stream.h"
#include "extract/inflate_copy.h"
#include "kol/stream.h"

#include "fuzz/fuzz_check.h"

namespace {

kol::StreamPtr Source(const uint8_t* data, size_t size, bool withHeader) {
  kol::StreamPtr s = kol::CreateMemoryStream();
  if (withHeader) kol::StreamWrite(*s, "\x78\x9c", 2);
  kol::StreamWrite(*s, data, static_cast<uint32_t>(size));
  kol::StreamSeek(*s, 0, kol::kFromBeginning);
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  // The first bytes choose the count (at most 300,000: six chunks) and
  // whether the zlib header is put in front, as extraction does.
  const uint32_t count = (data[0] | data[1] << 8 | (data[2] & 0x03) << 16) % 300001;
  const bool withHeader = (data[3] & 1) != 0;
  const uint32_t seekTo = data[3] >> 1;
  data += 4;
  size -= 4;

  {
    kol::StreamPtr source = Source(data, size, withHeader);
    kol::StreamPtr destination = kol::CreateMemoryStream();
    const extract::InflateCopyResult r = extract::InflateCopy(*source, count, *destination);
    CHECK(r.Created);
    CHECK(kol::StreamSize(*destination) == count);
    CHECK(r.Written == count && !r.WriteFailed);
    CHECK(r.Produced <= count);
    const uint8_t* out = destination->Memory();
    for (uint32_t i = r.Produced; i < count; ++i) CHECK(out[i] == 0);
  }

  {
    // The same bytes read through the stream directly: a forward seek skips
    // exactly what a read would have delivered.
    kol::StreamPtr a = Source(data, size, withHeader);
    kol::StreamPtr b = Source(data, size, withHeader);
    auto sa = extract::CreateDecompressionStream(*a, extract::CheckValue::Skip);
    auto sb = extract::CreateDecompressionStream(*b, extract::CheckValue::Skip);
    CHECK(sa && sb);
    static uint8_t bufferA[4096], bufferB[4096];
    const uint32_t readA = sa->Read(bufferA, 4096);
    const uint32_t landed = sb->Seek(static_cast<int32_t>(seekTo), kol::kFromBeginning);
    if (readA != kol::kStreamError && readA >= seekTo && seekTo > 0) {
      CHECK(landed == seekTo);
      const uint32_t readB = sb->Read(bufferB, readA - seekTo);
      if (readB != kol::kStreamError) {
        CHECK(readB == readA - seekTo);
        CHECK(std::memcmp(bufferA + seekTo, bufferB, readB) == 0);
      }
    }
    // A rewind starts again from the start.
    if (sb->Seek(0, kol::kFromBeginning) == 0) {
      CHECK(sb->Produced() == 0);
      const uint32_t again = sb->Read(bufferB, 4096);
      if (again != kol::kStreamError && readA != kol::kStreamError) {
        CHECK(again == readA && std::memcmp(bufferA, bufferB, again) == 0);
      }
    }
    CHECK(sa->Seek(0, kol::kFromEnd) == kol::kStreamError);
    CHECK(sa->GetSize() == kol::kStreamError);
  }
  return 0;
}
