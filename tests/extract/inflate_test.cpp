// InflateCopy and InflateEntry: what extraction makes of zlib data, sound or not.
#include <gtest/gtest.h>

#include "extract/inflate_copy.h"
#include "extract/whole_inflate.h"
#include "tests/support/archive_writer.h"

using testarchive::MemoryStreamOf;

// zlib data as the extraction builds it: a header, then deflate data and
// four check bytes, by default not the Adler-32 zlib would expect.
static std::string ZlibData(const std::string& data, const std::string& check = "1234") {
  return "\x78\x9C" + testarchive::RawDeflate(data) + check;
}

// Each source as extraction stages it, and what comes out, then zeros up to
// the count; zlib has words for what it cannot inflate. Without check bytes
// zlib consumes the last input while a long match is still being copied
// out, and must be let to finish it; a header asking for a preset
// dictionary, which is never supplied, is an error, for the faster decoder too.
TEST(InflateCopy, DeliversWhatZlibInflatesThenZeros) {
  const std::string text = "R" + std::string(5000, 'a');
  std::string noise(100000, '\0');  // more than one refill of input
  for (uint32_t i = 0, x = 1; i < noise.size(); ++i) noise[i] = char((x = x * 69069 + 1) >> 24);
  // clang-format off
  const std::pair<std::string, std::string> cases[] = {
      {ZlibData(text, ""), text}, {ZlibData(text), text},  // the check is not compared
      {ZlibData(text + noise), text + noise}, {"junk!", ""},
      {"\x78\xBB" + testarchive::RawDeflate(text) + "1234", ""}};
  // clang-format on
  for (const auto& [zlib, out] : cases) {
    SCOPED_TRACE(zlib.size());
    const uint32_t count = static_cast<uint32_t>(out.size()) + 7;
    io::StreamPtr byZlib = io::CreateMemoryStream(), byEntry = io::CreateMemoryStream();
    const extract::InflateCopyResult r =
        extract::InflateCopy(*MemoryStreamOf(zlib), count, *byZlib);
    EXPECT_TRUE(std::string(reinterpret_cast<const char*>(byZlib->Memory()), count) ==
                out + std::string(7, '\0'));
    EXPECT_EQ(r.Produced, out.size());
    EXPECT_EQ(r.ZlibError.empty(), !out.empty());
    const extract::EntryCheck sound{r.Crc32, count};
    EXPECT_TRUE(extract::InflateEntry(*MemoryStreamOf(zlib), count, &sound, *byEntry) == r);
  }
}

// Deflate data that decoders other than zlib are known to read differently:
// codes with codewords left over (literals, distances, code lengths), more
// code lengths than zlib allows, a repeat running past the last length, the
// length codes 286 and 287, an empty distance code. Whatever length and CRC-32
// the archive claims (what zlib made of it, or the bytes meant), an entry
// comes out exactly as zlib inflates it.
TEST(InflateEntry, GivesWhatZlibGives) {
  // Hex, then a run of zero bytes, then more hex.
  const auto bytes = [](std::string hex, size_t zeros = 0, const std::string& tail = "") {
    std::string out;
    hex += std::string(zeros * 2, '0') + tail;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
      out += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
  };
  const std::string head = "0de1010900000080200000000000000000000000000000000020";
  std::string text;
  // Letters as often as each other (their code lengths repeat in the
  // header), and a text that repeats itself: matches of the longest length.
  for (int k = 0; text.size() < 200000; ++k)
    text += std::to_string(k * 7 % 997) + char('a' + k * 7 % 997 % 26);
  const std::string streams[] = {
      testarchive::RawDeflate(text),                             // many blocks, all sound
      bytes(head, 47, "945a"),                                   // sound
      bytes(head.substr(0, 50) + "10", 47, "941201"),            // literal code incomplete
      bytes("0de2" + head.substr(4), 47, "546502"),              // distance code incomplete
      bytes("0de181" + head.substr(6), 47, "945a"),              // length code incomplete
      bytes("f5" + head.substr(2), 47, "14000000000000006a01"),  // 287 lengths
      bytes("0de18509000000c020dce6ff4f6d8605"),                 // repeat past the end
      bytes("731c0300"),                                         // length code 286
      bytes("0de0" + head.substr(4), 47, "1416"),                // no distance code
      bytes("edc13101000000c220fba75e067f99", 9, "c02d7b"),      // zeros where zlib stops
  };
  for (const std::string& deflate : streams) {
    const std::string zlib = "\x78\x9C" + deflate + "1234";
    const uint32_t held =
        extract::InflateCopy(*MemoryStreamOf(zlib), 300000, *io::CreateMemoryStream()).Produced;
    // The sound streams (the first two) do go to the faster decoder, where there is one.
    std::string fast(held, '\0');
    uint32_t crc = 0;
    EXPECT_TRUE(&deflate - streams >= 2 ||
                extract::InflateWhole(reinterpret_cast<const uint8_t*>(deflate.data()),
                                      deflate.size(), reinterpret_cast<uint8_t*>(fast.data()), held,
                                      crc) == extract::HaveWholeInflate());
    for (const uint32_t count : {held, held + 1, 4u, 259u}) {
      const uint32_t meant = testarchive::Crc32(std::string(count, 'A'));
      io::StreamPtr byZlib = io::CreateMemoryStream();
      const extract::InflateCopyResult z =
          extract::InflateCopy(*MemoryStreamOf(zlib), count, *byZlib);
      for (const extract::EntryCheck check :
           {extract::EntryCheck{z.Crc32, count}, extract::EntryCheck{meant, count}}) {
        SCOPED_TRACE(testing::Message() << deflate.size() << " bytes, count " << count);
        io::StreamPtr byEntry = io::CreateMemoryStream();
        byEntry->SetSize(count);
        EXPECT_TRUE(extract::InflateEntry(*MemoryStreamOf(zlib), count, &check, *byEntry) == z);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(byEntry->Memory()), count),
                  std::string(reinterpret_cast<const char*>(byZlib->Memory()), count));
      }
    }
  }
}
