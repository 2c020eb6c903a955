// The whole-entry inflater on ISA-L.
//
// ISA-L takes some block headers that zlib refuses (codes that leave
// codewords unused), so an entry inflated by it alone could pass where zlib
// reports it damaged. Every block header is therefore checked here as zlib
// checks it, and only headers whose codes are complete are left to ISA-L: with
// complete codes every bit pattern means the same symbol to both. ISA-L then
// decodes one block at a time (its header marked as the last one, so that it
// stops there and says where the block ended).
#include <isa-l/crc.h>
#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>

#include "extract/whole_inflate.h"

namespace extract {
namespace {

constexpr uint32_t kWindow = 32768;

// Bits of the deflate data, least significant first, from a bit position on.
class BitReader {
 public:
  BitReader(const uint8_t* data, size_t size, uint64_t position)
      : data_(data), size_(size), position_(position) {}

  // The next `count` bits (at most 25) without taking them; bits beyond the
  // data read as zeros.
  uint32_t Peek(int count) const {
    const size_t byte = position_ >> 3;
    uint64_t window = 0;
    if (byte + 8 <= size_) {
      std::memcpy(&window, data_ + byte, 8);  // one load, away from the end
    } else if (byte < size_) {
      std::memcpy(&window, data_ + byte, size_ - byte);
    }
    return static_cast<uint32_t>(window >> (position_ & 7)) & ((1u << count) - 1);
  }
  // Takes `count` bits; false when the data ends first.
  bool Skip(int count) {
    if (position_ + count > uint64_t{size_} * 8) return false;
    position_ += count;
    return true;
  }
  bool Read(int count, uint32_t& value) {
    value = Peek(count);
    return Skip(count);
  }

 private:
  const uint8_t* data_;
  size_t size_;
  uint64_t position_;
};

// Whether the code lengths make a complete code: every codeword of up to 15
// bits used, none twice. zlib refuses a code set with codewords left over.
bool Complete(const uint8_t* lengths, int n) {
  std::array<int, 16> count{};
  for (int s = 0; s < n; ++s) ++count[lengths[s]];
  int left = 1;
  for (int len = 1; len < 16; ++len) {
    left = (left << 1) - count[len];
    if (left < 0) return false;
  }
  return left == 0;
}

// The code of the code lengths (codewords of at most 7 bits), looked up by
// its next 7 bits: symbol and codeword length. Only for a complete code.
class LengthCode {
 public:
  explicit LengthCode(const uint8_t* lengths) {
    std::array<int, 8> count{}, next{};
    for (int s = 0; s < 19; ++s) ++count[lengths[s]];
    count[0] = 0;
    for (int len = 1; len < 8; ++len) next[len] = (next[len - 1] + count[len - 1]) << 1;
    for (int s = 0; s < 19; ++s) {
      const int len = lengths[s];
      if (len == 0) continue;
      // Codewords go most significant bit first into the stream.
      int code = next[len]++, reversed = 0;
      for (int i = 0; i < len; ++i) reversed |= ((code >> i) & 1) << (len - 1 - i);
      for (int k = reversed; k < 128; k += 1 << len) {
        table_[k] = {static_cast<uint8_t>(s), static_cast<uint8_t>(len)};
      }
    }
  }

  // The next symbol; -1 when the data ends first.
  int Decode(BitReader& in) const {
    const Entry e = table_[in.Peek(7)];
    return in.Skip(e.Length) ? e.Symbol : -1;
  }

 private:
  struct Entry {
    uint8_t Symbol = 0, Length = 0;
  };
  std::array<Entry, 128> table_{};
};

// Whether the block header at `position` is one zlib accepts and ISA-L reads
// the same way: a stored or fixed block, or a dynamic one whose three codes
// are complete. `last` receives the header's last-block bit.
bool SameForBoth(const uint8_t* in, size_t size, uint64_t position, bool& last) {
  BitReader bits(in, size, position);
  uint32_t final, type;
  if (!bits.Read(1, final) || !bits.Read(2, type)) return false;
  last = final != 0;
  if (type == 0 || type == 1) return true;
  if (type != 2) return false;
  uint32_t hlit, hdist, hclen;
  if (!bits.Read(5, hlit) || !bits.Read(5, hdist) || !bits.Read(4, hclen)) return false;
  const int nlen = 257 + static_cast<int>(hlit), ndist = 1 + static_cast<int>(hdist);
  if (nlen > 286 || ndist > 30) return false;
  static constexpr uint8_t kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                         11, 4,  12, 3, 13, 2, 14, 1, 15};
  uint8_t lengths[320] = {};
  for (uint32_t k = 0; k < hclen + 4; ++k) {
    uint32_t len;
    if (!bits.Read(3, len)) return false;
    lengths[kOrder[k]] = static_cast<uint8_t>(len);
  }
  if (!Complete(lengths, 19)) return false;
  const LengthCode code(lengths);
  std::fill(std::begin(lengths), std::end(lengths), 0);
  for (int have = 0; have < nlen + ndist;) {
    const int symbol = code.Decode(bits);
    if (symbol < 0) return false;
    if (symbol < 16) {
      lengths[have++] = static_cast<uint8_t>(symbol);
      continue;
    }
    uint32_t extra;
    uint8_t value = 0;
    int copies;
    if (symbol == 16) {
      if (have == 0 || !bits.Read(2, extra)) return false;
      value = lengths[have - 1];
      copies = 3 + static_cast<int>(extra);
    } else if (symbol == 17) {
      if (!bits.Read(3, extra)) return false;
      copies = 3 + static_cast<int>(extra);
    } else {
      if (!bits.Read(7, extra)) return false;
      copies = 11 + static_cast<int>(extra);
    }
    if (have + copies > nlen + ndist) return false;
    while (copies-- > 0) lengths[have++] = value;
  }
  return lengths[256] != 0 && Complete(lengths, nlen) && Complete(lengths + nlen, ndist);
}

}  // namespace

bool HaveWholeInflate() { return true; }

bool InflateWhole(const uint8_t* in, size_t inSize, uint8_t* out, uint32_t count, uint32_t& crc) {
  // The state holds two windows of history and the code tables, too much for
  // the stack: one per thread, made on first use and reused for every entry.
  thread_local std::unique_ptr<inflate_state> state;
  if (state == nullptr) {
    state.reset(new (std::nothrow) inflate_state());
    if (state == nullptr) return false;
  }
  if (count == 0 || inSize == 0 || inSize > UINT32_MAX) return false;
  uint64_t position = 0;  // in bits: where the next block header starts
  uint32_t produced = 0;
  for (bool last = false; !last;) {
    if (!SameForBoth(in, inSize, position, last)) return false;
    inflate_state& s = *state;
    isal_inflate_init(&s);
    s.crc_flag = ISAL_DEFLATE;
    s.hist_bits = 0;  // the full 32 KiB window deflate allows
    if (produced > 0) {
      const uint32_t history = std::min(produced, kWindow);
      if (isal_inflate_set_dict(&s, out + produced - history, history) != ISAL_DECOMP_OK)
        return false;
    }
    // The header's own byte goes in through the bit buffer, its last-block
    // bit set, from the header's first bit on.
    const size_t byte = position >> 3;
    const int skipped = static_cast<int>(position & 7);
    s.read_in = (in[byte] >> skipped) | 1u;
    s.read_in_length = 8 - skipped;
    s.next_in = const_cast<uint8_t*>(in) + byte + 1;
    s.avail_in = static_cast<uint32_t>(inSize - byte - 1);
    s.next_out = out + produced;
    s.avail_out = count - produced;
    // Output space used up before the block ended means the data holds more
    // than count bytes: zlib decides what that makes of the entry.
    if (isal_inflate(&s) != ISAL_DECOMP_OK || s.block_state != ISAL_BLOCK_FINISH ||
        s.tmp_in_size != 0 || s.read_in_length < 0) {
      return false;
    }
    produced += s.total_out;
    const uint64_t taken = (inSize - byte - 1 - s.avail_in) * 8 + (8 - skipped);
    position += taken - static_cast<uint64_t>(s.read_in_length);
  }
  if (produced != count) return false;
  crc = Crc32(0, out, count);
  return true;
}

uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size) {
  return size == 0 ? crc : crc32_gzip_refl(crc, data, size);
}

}  // namespace extract
