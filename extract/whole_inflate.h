// Inflating a compressed entry in one call, straight into a buffer of its full
// unpacked size, with a faster decoder than zlib where the build has one, and
// the CRC-32 the program checks entries with.
#pragma once

#include <cstddef>
#include <cstdint>

namespace extract {

// False in a build without a faster decoder (the Windows build): InflateWhole
// then never succeeds, and callers go to zlib without trying it.
bool HaveWholeInflate();

// Inflates the raw deflate data `in` (inSize bytes, of which the deflate data
// may be only the first) into `out`, count bytes, and puts the CRC-32 of those
// bytes in `crc`. True only when the data decodes without a fault, its final
// block ends within `in`, it yields exactly count bytes, and zlib would have
// decoded every block of it the same way. On false, `out` and `crc` hold
// nothing of use: the entry must be inflated by zlib, which alone says how far
// damaged data goes and what it produced up to there.
bool InflateWhole(const uint8_t* in, size_t inSize, uint8_t* out, uint32_t count, uint32_t& crc);

// The CRC-32 of gzip and of the archive's entries, continued from `crc` (0 to
// start).
uint32_t Crc32(uint32_t crc, const uint8_t* data, size_t size);

}  // namespace extract
