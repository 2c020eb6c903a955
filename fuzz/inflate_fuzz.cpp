// InflateCopy on arbitrary data and counts: the destination receives exactly
// the count asked for, zeros past what zlib produced.
// InflateEntry, which hands sound entries to the faster decoder, must write
// and report exactly what InflateCopy does, into memory or into a stream that
// may refuse the end of a write, for every count and every expected check.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "extract/inflate_copy.h"
#include "fuzz/fuzz_check.h"
#include "io/stream.h"

namespace {

// A file as the chunk writes see it: no memory block to write into, and a
// disk that fills up after `room` bytes.
class LimitedStream final : public io::Stream {
 public:
  explicit LimitedStream(uint32_t room) : room_(room) {}
  uint32_t Seek(int32_t, uint8_t) override { return static_cast<uint32_t>(bytes_.size()); }
  uint32_t GetSize() override { return static_cast<uint32_t>(bytes_.size()); }
  uint32_t Read(void*, uint32_t) override { return io::kStreamError; }
  uint32_t Write(const void* buffer, uint32_t count) override {
    const uint32_t n = std::min<uint32_t>(count, room_ - static_cast<uint32_t>(bytes_.size()));
    bytes_.insert(bytes_.end(), static_cast<const uint8_t*>(buffer),
                  static_cast<const uint8_t*>(buffer) + n);
    if (n < count) errno = ENOSPC;
    ++writes_;
    return n;
  }
  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  uint32_t Writes() const { return writes_; }

 private:
  uint32_t room_;
  std::vector<uint8_t> bytes_;
  uint32_t writes_ = 0;
};

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

// The fuzz input's data as extraction stages it: the zlib header in front
// when asked for, else the input's own first two bytes take its place.
io::StreamPtr Staged(const uint8_t* data, size_t size, bool header) {
  io::StreamPtr s = io::CreateMemoryStream();
  if (header) io::StreamWrite(*s, "\x78\x9c", 2);
  io::StreamWrite(*s, data, static_cast<uint32_t>(size));
  io::StreamSeek(*s, 0, io::kFromBeginning);
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  // The first bytes choose the count (at most 300,000: six chunks), whether
  // the zlib header is put in front, as extraction does, and how
  // InflateEntry is called.
  const uint32_t randomCount = (data[0] | data[1] << 8 | (data[2] & 0x03) << 16) % 300001;
  const bool header = (data[3] & 1) != 0;
  const uint8_t how = data[4];
  const uint8_t* payload = data + 5;
  const size_t payloadSize = size - 5;
  io::StreamPtr source = Staged(payload, payloadSize, header);

  io::StreamPtr destination = io::CreateMemoryStream();
  const extract::InflateCopyResult r = extract::InflateCopy(*source, randomCount, *destination);
  CHECK(r.Created && r.Written == randomCount && !r.WriteFailed && r.Produced <= randomCount);
  CHECK(io::StreamSize(*destination) == randomCount);
  for (uint32_t i = r.Produced; i < randomCount; ++i) CHECK(destination->Memory()[i] == 0);

  // The count: arbitrary, or what the data really holds (as a sound entry
  // says), or a little less or more than that.
  uint32_t count = randomCount;
  if ((how & 3) != 0) {
    io::StreamPtr all = io::CreateMemoryStream();
    io::StreamSeek(*source, 0, io::kFromBeginning);
    const uint32_t held = extract::InflateCopy(*source, 300000, *all).Produced;
    const uint32_t off = 1 + (data[0] & 7);
    count = (how & 3) == 1 ? held : (how & 3) == 2 ? (held > off ? held - off : 0) : held + off;
  }
  // The expected check: none, what zlib delivers (a sound entry, when the
  // data is whole), taken from the input, or zlib's CRC-32 with another length.
  io::StreamSeek(*source, 0, io::kFromBeginning);
  io::StreamPtr scratch = io::CreateMemoryStream();
  const uint32_t zlibCrc = extract::InflateCopy(*source, count, *scratch).Crc32;
  extract::EntryCheck check{zlibCrc, count};
  switch ((how >> 2) & 3) {
    case 2:
      if (payloadSize >= 8)
        check = {Le32(payload + payloadSize - 8), Le32(payload + payloadSize - 4)};
      break;
    case 3: check.Length ^= 1 + (data[1] & 3); break;
    default: break;
  }
  const extract::EntryCheck* expected = ((how >> 2) & 3) == 0 ? nullptr : &check;

  // Into memory, sized for the entry beforehand (as reading ahead does) or
  // grown by the writes, or into a stream with room for some of the bytes.
  io::StreamPtr zlibSource = Staged(payload, payloadSize, header);
  io::StreamPtr entrySource = Staged(payload, payloadSize, header);
  if ((how & 0x10) == 0) {
    io::StreamPtr byZlib = io::CreateMemoryStream();
    io::StreamPtr byEntry = io::CreateMemoryStream();
    if ((how & 0x20) != 0) {
      byZlib->SetSize(count);
      byEntry->SetSize(count);
      io::StreamSeek(*byZlib, 0, io::kFromBeginning);
      io::StreamSeek(*byEntry, 0, io::kFromBeginning);
    }
    const extract::InflateCopyResult z = extract::InflateCopy(*zlibSource, count, *byZlib);
    const extract::InflateCopyResult e =
        extract::InflateEntry(*entrySource, count, expected, *byEntry);
    CHECK(z == e);
    CHECK(io::StreamPosition(*byZlib) == io::StreamPosition(*byEntry));
    const uint32_t n = io::StreamSize(*byZlib);
    CHECK(io::StreamSize(*byEntry) == n);
    CHECK(n == 0 || std::memcmp(byZlib->Memory(), byEntry->Memory(), n) == 0);
  } else {
    const uint32_t room = (how & 0x20) != 0 ? (data[1] | data[2] << 8) * 7u : UINT32_MAX;
    LimitedStream byZlib(room), byEntry(room);
    const extract::InflateCopyResult z = extract::InflateCopy(*zlibSource, count, byZlib);
    const extract::InflateCopyResult e =
        extract::InflateEntry(*entrySource, count, expected, byEntry);
    CHECK(z == e && byZlib.Bytes() == byEntry.Bytes() && byZlib.Writes() == byEntry.Writes());
  }
  return 0;
}
