// DecompressionStream: a read-only stream that delivers the inflated form of
// zlib data read from another stream (the source), forward only.
#pragma once

#include <zlib.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "io/stream.h"

namespace extract {

class DecompressionStream final : public io::Stream {
 public:
  // Use CreateDecompressionStream.
  explicit DecompressionStream(io::Stream& source);
  ~DecompressionStream() override;  // inflateEnd; the source stays open

  // The stream reads forward only: it neither seeks, nor has a size, nor writes.
  uint32_t Seek(int32_t, uint8_t) override { return io::kStreamError; }
  uint32_t GetSize() override { return io::kStreamError; }
  uint32_t Read(void* buffer, uint32_t count) override;
  uint32_t Write(const void*, uint32_t) override { return io::kStreamError; }

  // Bytes produced since creation.
  uint32_t Produced() const { return static_cast<uint32_t>(zlib_.total_out); }
  // zlib's words for the first error of this stream; empty while there was none.
  const std::string& Error() const { return error_; }

 private:
  friend std::unique_ptr<DecompressionStream> CreateDecompressionStream(io::Stream&);
  bool Init();
  void NoteError(int code);

  static constexpr uint32_t kInputBufferSize = 65536;

  io::Stream& source_;
  uint32_t sourcePosition_;  // the source's position right after the last refill
  z_stream zlib_{};
  bool initialised_ = false;
  bool ended_ = false;
  std::string error_;
  std::array<uint8_t, kInputBufferSize> input_;
};

// A decompression stream over zlib data starting at the source's current
// position; none when zlib cannot be initialised. The four check bytes behind
// the deflate data are consumed but not compared: the archive's compressed
// entries carry a CRC-32 there, which the caller checks itself.
std::unique_ptr<DecompressionStream> CreateDecompressionStream(io::Stream& source);

}  // namespace extract
