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

#include "extract/inflate_copy.h"
#include "fuzz/fuzz_check.h"
#include "io/stream.h"
#include "tests/support/archive_writer.h"

using testarchive::MemoryStreamOf;

// A file as the chunk writes see it: no memory block to write into, and a
// disk that fills up after `Room` bytes. It keeps what it received, and
// counts the writes.
struct LimitedStream final : io::Stream {
  explicit LimitedStream(uint32_t room) : Room(room) {}
  uint32_t Seek(int32_t, uint8_t) override { return static_cast<uint32_t>(Bytes.size()); }
  uint32_t GetSize() override { return static_cast<uint32_t>(Bytes.size()); }
  uint32_t Read(void*, uint32_t) override { return io::kStreamError; }
  uint32_t Write(const void* buffer, uint32_t count) override {
    const uint32_t n = std::min<uint32_t>(count, Room - static_cast<uint32_t>(Bytes.size()));
    Bytes.append(static_cast<const char*>(buffer), n);
    if (n < count) errno = ENOSPC;
    ++Writes;
    return n;
  }
  uint32_t Room, Writes = 0;
  std::string Bytes;
};

static uint32_t Le32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  // The first bytes choose the count (at most 300,000: six chunks), whether
  // the zlib header is put in front, as extraction does, and how
  // InflateEntry is called. The rest is the data as extraction stages it:
  // the zlib header in front when asked for, else the data's own first two
  // bytes take its place.
  const uint32_t randomCount = (data[0] | data[1] << 8 | (data[2] & 0x03) << 16) % 300001;
  const uint8_t how = data[4];
  const std::string staged = std::string((data[3] & 1) != 0 ? "\x78\x9c" : "") +
                             std::string(reinterpret_cast<const char*>(data) + 5, size - 5);

  io::StreamPtr destination = io::CreateMemoryStream();
  const extract::InflateCopyResult r =
      extract::InflateCopy(*MemoryStreamOf(staged), randomCount, *destination);
  CHECK(r.Created && r.Written == randomCount && !r.WriteFailed && r.Produced <= randomCount);
  CHECK(io::StreamSize(*destination) == randomCount);
  for (uint32_t i = r.Produced; i < randomCount; ++i) CHECK(destination->Memory()[i] == 0);

  // The count: arbitrary, or what the data really holds (as a sound entry
  // says), or a little less or more than that.
  uint32_t count = randomCount;
  if ((how & 3) != 0) {
    const uint32_t held =
        extract::InflateCopy(*MemoryStreamOf(staged), 300000, *io::CreateMemoryStream()).Produced;
    const uint32_t off = 1 + (data[0] & 7);
    count = (how & 3) == 1 ? held : (how & 3) == 2 ? (held > off ? held - off : 0) : held + off;
  }
  // The expected check: none, what zlib delivers (a sound entry, when the
  // data is whole), taken from the input's last eight bytes, or zlib's CRC-32
  // with another length.
  const int checkKind = (how >> 2) & 3;
  extract::EntryCheck check{
      extract::InflateCopy(*MemoryStreamOf(staged), count, *io::CreateMemoryStream()).Crc32, count};
  if (checkKind == 2 && size >= 13) check = {Le32(data + size - 8), Le32(data + size - 4)};
  if (checkKind == 3) check.Length ^= 1 + (data[1] & 3);
  const extract::EntryCheck* expected = checkKind == 0 ? nullptr : &check;

  // Into memory, sized for the entry beforehand (as reading ahead does) or
  // grown by the writes, or into a stream with room for some of the bytes:
  // both report alike, and leave alike what they wrote.
  const auto reportAlike = [&](io::Stream& byZlib, io::Stream& byEntry) {
    return extract::InflateCopy(*MemoryStreamOf(staged), count, byZlib) ==
           extract::InflateEntry(*MemoryStreamOf(staged), count, expected, byEntry);
  };
  if ((how & 0x10) == 0) {
    io::StreamPtr byZlib = io::CreateMemoryStream(), byEntry = io::CreateMemoryStream();
    if ((how & 0x20) != 0) byZlib->SetSize(count), byEntry->SetSize(count);
    CHECK(reportAlike(*byZlib, *byEntry));
    const uint32_t n = io::StreamSize(*byZlib);
    CHECK(io::StreamSize(*byEntry) == n &&
          io::StreamPosition(*byZlib) == io::StreamPosition(*byEntry));
    CHECK(n == 0 || std::memcmp(byZlib->Memory(), byEntry->Memory(), n) == 0);
  } else {
    const uint32_t room = (how & 0x20) != 0 ? (data[1] | data[2] << 8) * 7u : UINT32_MAX;
    LimitedStream byZlib(room), byEntry(room);
    CHECK(reportAlike(byZlib, byEntry) && byZlib.Bytes == byEntry.Bytes &&
          byZlib.Writes == byEntry.Writes);
  }
  return 0;
}
