// A stream over a growable block of memory.
#pragma once

#include <vector>

#include "io/stream.h"

namespace io {

class MemoryStream final : public Stream {
 public:
  uint32_t Seek(int32_t offset, uint8_t origin) override;
  uint32_t GetSize() override { return size_; }
  // Grows or shrinks the stream to newSize bytes, giving memory back when
  // it shrinks below half. The position never stays beyond the end.
  void SetSize(uint32_t newSize) override;
  uint32_t Read(void* buffer, uint32_t count) override;
  uint32_t Write(const void* buffer, uint32_t count) override;
  uint8_t* Memory() override { return block_.empty() ? nullptr : block_.data(); }

 private:
  std::vector<uint8_t> block_;
  uint32_t size_ = 0;
  uint32_t position_ = 0;
};

}  // namespace io
