#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "extract/decompression_stream.h"
#include "extract/inflate_copy.h"
#include "kol/memory_stream.h"
#include "tests/support/archive_writer.h"

using extract::CreateDecompressionStream;
using extract::InflateCopy;

namespace {

// The zlib data the extraction builds: header bytes, deflate data, and four
// more bytes where zlib expects its Adler-32.
std::string ZlibData(const std::string& data, const std::string& check = "\x11\x22\x33\x44") {
  return std::string("\x78\x9C", 2) + testarchive::RawDeflate(data) + check;
}

std::string Adler(const std::string& data) {
  const uint32_t a = static_cast<uint32_t>(
      adler32(1, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
  return std::string{static_cast<char>(a >> 24), static_cast<char>(a >> 16), static_cast<char>(a >> 8),
                     static_cast<char>(a)};
}

kol::StreamPtr Memory(const std::string& bytes) {
  kol::StreamPtr s = kol::CreateMemoryStream();
  kol::StreamWrite(*s, bytes.data(), static_cast<uint32_t>(bytes.size()));
  kol::StreamSeek(*s, 0, kol::kFromBeginning);
  return s;
}

std::string Random(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(gen());
  return s;
}

// A destination that keeps every write, to see the chunks.
class RecordingStream final : public kol::Stream {
 public:
  uint32_t Seek(int32_t, uint8_t) override { return static_cast<uint32_t>(bytes.size()); }
  uint32_t GetSize() override { return static_cast<uint32_t>(bytes.size()); }
  uint32_t Read(void*, uint32_t) override { return kol::kStreamError; }
  uint32_t Write(const void* buffer, uint32_t count) override {
    writes.push_back(count);
    bytes.append(static_cast<const char*>(buffer), count);
    return count;
  }
  std::vector<uint32_t> writes;
  std::string bytes;
};

}  // namespace

TEST(InflateCopy, ChunksOf50000AndExactCount) {
  const std::string data = Random(120000, 1);
  const struct {
    uint32_t count;
    std::vector<uint32_t> writes;
  } cases[] = {{0, {0}}, {3, {3}}, {50000, {50000}}, {50001, {50000, 1}}, {100000, {50000, 50000}},
               {120000, {50000, 50000, 20000}}};
  for (const auto& c : cases) {
    kol::StreamPtr source = Memory(ZlibData(data));
    RecordingStream out;
    const auto r = InflateCopy(*source, c.count, out);
    EXPECT_EQ(out.writes, c.writes) << c.count;
    EXPECT_EQ(out.bytes, data.substr(0, c.count)) << c.count;
    EXPECT_EQ(r.Produced, c.count);
    EXPECT_EQ(r.Written, c.count);
    EXPECT_EQ(r.ZlibError, "");
    EXPECT_EQ(r.Crc32, testarchive::Crc32(data.substr(0, c.count)));
  }
  // Reaching the end of the data, with a CRC-32 where zlib expects its
  // Adler-32, is no error.
  kol::StreamPtr source = Memory(ZlibData("abc"));
  RecordingStream out;
  const auto r = InflateCopy(*source, 3, out);
  EXPECT_EQ(out.bytes, "abc");
  EXPECT_EQ(r.ZlibError, "");
}

TEST(InflateCopy, BytesZlibDidNotProduceAreZeros) {
  const std::string data = Random(70000, 2) + std::string(70000, 'q');
  // A first copy fills the shared buffer with data.
  {
    kol::StreamPtr source = Memory(ZlibData(data));
    RecordingStream out;
    InflateCopy(*source, 140000, out);
    ASSERT_EQ(out.bytes, data);
  }
  // Data that ends early: the rest is zeros, not the first copy's bytes.
  std::string cut = ZlibData(data);
  cut.resize(cut.size() / 2);
  kol::StreamPtr source = Memory(cut);
  RecordingStream out;
  auto r = InflateCopy(*source, 140000, out);
  ASSERT_EQ(out.bytes.size(), 140000u);
  EXPECT_GT(r.Produced, 0u);
  EXPECT_LT(r.Produced, 140000u);
  EXPECT_FALSE(r.Ended);
  EXPECT_EQ(out.bytes.substr(0, r.Produced), data.substr(0, r.Produced));
  EXPECT_EQ(out.bytes.substr(r.Produced), std::string(140000 - r.Produced, '\0'));

  // Two good stored blocks, then a block of the reserved type: zlib stops
  // with an error after 120000 bytes; the rest is zeros as well.
  std::string broken("\x78\x9C", 2);
  for (int block = 0; block < 2; ++block) {
    broken += std::string("\x00\x60\xEA\x9F\x15", 5) + std::string(60000, 'q');  // 60000 bytes
  }
  broken += "\x07";
  source = Memory(broken);
  RecordingStream out2;
  r = InflateCopy(*source, 140000, out2);
  EXPECT_EQ(r.ZlibError, "invalid block type");
  EXPECT_EQ(r.Produced, 120000u);
  EXPECT_EQ(out2.bytes, std::string(120000, 'q') + std::string(20000, '\0'));

  // Not zlib data at all.
  source = Memory("not zlib data at all");
  RecordingStream out3;
  r = InflateCopy(*source, 10, out3);
  EXPECT_NE(r.ZlibError, "");
  EXPECT_EQ(out3.bytes, std::string(10, '\0'));
}

TEST(DecompressionStream, ReadsSeeksAndRewinds) {
  const std::string data = "0123456789abcdefghijklmnopqrstuvwxyz";
  kol::StreamPtr source = Memory(ZlibData(data, Adler(data)));
  auto z = CreateDecompressionStream(*source);
  ASSERT_NE(z, nullptr);
  EXPECT_EQ(kol::StreamSize(*z), kol::kStreamError);
  EXPECT_EQ(kol::StreamWrite(*z, "x", 1), kol::kStreamError);
  char buffer[64] = {};
  EXPECT_EQ(kol::StreamRead(*z, buffer, 0), 0u);
  EXPECT_EQ(kol::StreamRead(*z, buffer, 10), 10u);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
  EXPECT_EQ(kol::StreamPosition(*z), 10u);
  EXPECT_EQ(kol::StreamSeek(*z, 10, kol::kFromBeginning), kol::kStreamError);
  EXPECT_EQ(kol::StreamSeek(*z, 5, kol::kFromBeginning), kol::kStreamError);
  EXPECT_EQ(kol::StreamSeek(*z, -1, kol::kFromCurrent), kol::kStreamError);
  EXPECT_EQ(kol::StreamSeek(*z, 0, kol::kFromEnd), kol::kStreamError);
  EXPECT_EQ(kol::StreamSeek(*z, 15, kol::kFromBeginning), 15u);
  EXPECT_EQ(kol::StreamRead(*z, buffer, 3), 3u);
  EXPECT_EQ(std::string(buffer, 3), "fgh");
  EXPECT_EQ(kol::StreamSeek(*z, 2, kol::kFromCurrent), 20u);
  // A read beyond the end returns what there was, and ends with zlib.
  EXPECT_EQ(kol::StreamRead(*z, buffer, 64), 16u);
  EXPECT_EQ(std::string(buffer, 16), "klmnopqrstuvwxyz");
  EXPECT_TRUE(z->Ended());
  EXPECT_EQ(kol::StreamRead(*z, buffer, 64), 0u);

  // A rewind starts again from the source's absolute start.
  EXPECT_EQ(kol::StreamSeek(*z, 0, kol::kFromBeginning), 0u);
  EXPECT_FALSE(z->Ended());
  EXPECT_EQ(kol::StreamRead(*z, buffer, 4), 4u);
  EXPECT_EQ(std::string(buffer, 4), "0123");

  // Freeing it leaves the source open and usable.
  z.reset();
  kol::StreamSeek(*source, 0, kol::kFromBeginning);
  EXPECT_EQ(kol::StreamRead(*source, buffer, 2), 2u);
  EXPECT_EQ(std::string(buffer, 2), "\x78\x9C");
}

TEST(DecompressionStream, RewindGoesToTheSourcesAbsoluteStart) {
  const std::string data = "hello, world";
  // The zlib data lies behind 5 other bytes; the stream is created there.
  kol::StreamPtr source = Memory("junk!" + ZlibData(data, Adler(data)));
  kol::StreamSeek(*source, 5, kol::kFromBeginning);
  auto z = CreateDecompressionStream(*source);
  char buffer[16];
  ASSERT_EQ(kol::StreamRead(*z, buffer, 5), 5u);
  EXPECT_EQ(kol::StreamSeek(*z, 0, kol::kFromBeginning), 0u);
  // Byte 0 of the source is no zlib header.
  EXPECT_EQ(kol::StreamRead(*z, buffer, 5), kol::kStreamError);
  EXPECT_NE(z->Error(), "");
}

TEST(DecompressionStream, SourceMovedBetweenReadsIsPutBack) {
  const std::string data = Random(300000, 3);
  kol::StreamPtr source = Memory(ZlibData(data, Adler(data)));
  auto z = CreateDecompressionStream(*source);
  std::string got(300000, '\0');
  ASSERT_EQ(kol::StreamRead(*z, got.data(), 1000), 1000u);
  kol::StreamSeek(*source, 7, kol::kFromBeginning);  // someone else uses the source
  ASSERT_EQ(kol::StreamRead(*z, got.data() + 1000, 299000), 299000u);
  EXPECT_EQ(got, data);
}

TEST(DecompressionStream, CheckValueIsVerifiedUnlessSkipped) {
  const std::string data = "abc";
  const std::string wrong = ZlibData(data, "\x01\x02\x03\x04");
  char buffer[8];
  kol::StreamPtr source = Memory(wrong);
  auto verifying = CreateDecompressionStream(*source);
  EXPECT_EQ(kol::StreamRead(*verifying, buffer, 8), kol::kStreamError);
  EXPECT_EQ(verifying->Error(), "incorrect data check");

  source = Memory(wrong);
  auto skipping = CreateDecompressionStream(*source, extract::CheckValue::Skip);
  EXPECT_EQ(kol::StreamRead(*skipping, buffer, 8), 3u);
  EXPECT_TRUE(skipping->Ended());
  EXPECT_EQ(std::string(buffer, 3), "abc");

  // A header asking for a preset dictionary is an error, not a read that
  // never ends.
  source = Memory(std::string("\x78\x20\x00\x00\x00\x01\x4b\x04\x00", 9));
  auto dictionary = CreateDecompressionStream(*source);
  EXPECT_EQ(kol::StreamRead(*dictionary, buffer, 8), kol::kStreamError);
}

TEST(DecompressionStream, DeliversOutputZlibHeldBackWhenTheSourceRanOut) {
  // Data with no check bytes behind it: zlib consumes the last input while a
  // long match is still being copied out, and must be let to finish it.
  const std::string text = "R" + std::string(5000, 'a');
  kol::MemoryStream source;
  kol::StreamWrite(source, "\x78\x9c", 2);
  const std::string deflate = testarchive::RawDeflate(text);
  kol::StreamWrite(source, deflate.data(), static_cast<uint32_t>(deflate.size()));
  kol::StreamSeek(source, 0, kol::kFromBeginning);
  auto stream = CreateDecompressionStream(source, extract::CheckValue::Skip);
  ASSERT_NE(stream, nullptr);
  std::string out;
  char chunk[7];
  for (uint32_t got; (got = stream->Read(chunk, sizeof chunk)) > 0 && got != kol::kStreamError;) {
    out.append(chunk, got);
  }
  EXPECT_EQ(out, text);
}
