#include "io/memory_stream.h"

#include <cstring>

namespace io {

void MemoryStream::SetSize(uint32_t newSize) {
  block_.resize(newSize);
  // Memory given back when most of it is unused; a small trim costs nothing.
  if (newSize < block_.capacity() / 2) block_.shrink_to_fit();
  size_ = newSize;
  if (position_ > size_) position_ = size_;
}

uint32_t MemoryStream::Seek(int32_t offset, uint8_t origin) {
  int64_t base = 0;
  if (origin == kFromCurrent) base = position_;
  if (origin == kFromEnd) base = size_;
  // Targets outside 32 bits wrap as the 32-bit arithmetic of the stream does.
  const uint32_t target = static_cast<uint32_t>(base + offset);
  if (target > size_) SetSize(target);
  position_ = target;
  return position_;
}

uint32_t MemoryStream::Read(void* buffer, uint32_t count) {
  const uint32_t available = size_ - position_;
  if (count > available) count = available;
  if (count > 0) std::memcpy(buffer, block_.data() + position_, count);
  position_ += count;
  return count;
}

uint32_t MemoryStream::Write(const void* buffer, uint32_t count) {
  if (static_cast<uint64_t>(position_) + count > size_) SetSize(position_ + count);
  if (count > 0) std::memcpy(block_.data() + position_, buffer, count);
  position_ += count;
  return count;
}

StreamPtr CreateMemoryStream() { return std::make_unique<MemoryStream>(); }

}  // namespace io
