#include "archive/directory_reader.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Offset of the entry count; the eight bytes before it are never examined.
constexpr uint32_t kCountOffset = 8;
constexpr uint32_t kDirectoryOffset = 12;
// The fewest bytes one entry can take: four 32-bit numbers, two lengths,
// the tail marker and its two-byte filler.
constexpr uint32_t kSmallestEntry = 22;

// Reads the stream forward through a block buffer, so that a directory of
// tens of thousands of entries costs a handful of reads instead of ten small
// reads per entry.
class DirectoryCursor {
 public:
  explicit DirectoryCursor(kol::Stream& stream) : stream_(stream) {}

  // Makes n bytes available at Data(); false when the file ends first.
  bool Need(size_t n) {
    if (buffer_.size() - next_ >= n) return true;
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<ptrdiff_t>(next_));
    next_ = 0;
    while (buffer_.size() < n) {
      const size_t have = buffer_.size();
      const size_t want = std::max<size_t>(n - have, kBlock);
      buffer_.resize(have + want);
      const uint32_t got = kol::StreamRead(stream_, buffer_.data() + have, static_cast<uint32_t>(want));
      const size_t valid = got == kol::kStreamError ? 0 : std::min<size_t>(got, want);
      buffer_.resize(have + valid);
      if (valid == 0) return false;
    }
    return true;
  }

  const uint8_t* Data() const { return buffer_.data() + next_; }
  void Advance(size_t n) {
    next_ += n;
    consumed_ += n;
  }
  uint32_t Consumed() const { return consumed_; }

  uint16_t Word(size_t at) const { return static_cast<uint16_t>(Data()[at] | Data()[at + 1] << 8); }
  uint32_t Long(size_t at) const {
    return static_cast<uint32_t>(Data()[at]) | static_cast<uint32_t>(Data()[at + 1]) << 8 |
           static_cast<uint32_t>(Data()[at + 2]) << 16 | static_cast<uint32_t>(Data()[at + 3]) << 24;
  }

 private:
  static constexpr size_t kBlock = 64 * 1024;
  kol::Stream& stream_;
  std::vector<uint8_t> buffer_;
  size_t next_ = 0;
  uint32_t consumed_ = 0;
};

std::string CutText(const uint8_t* bytes, uint16_t length) {
  return std::string(reinterpret_cast<const char*>(bytes), std::min<size_t>(length, kMaxEntryText));
}

// Reads one entry at the cursor; false when the file ends inside it, in which
// case the cursor may have moved and the entry is to be dropped.
bool ReadEntry(DirectoryCursor& in, ArchiveEntry& e) {
  if (!in.Need(18)) return false;
  e.Offset = in.Long(0);
  e.StoredSize = static_cast<int32_t>(in.Long(4));
  e.Size = static_cast<int32_t>(in.Long(8));
  e.Spare = in.Long(12);
  e.NameLen = in.Word(16);
  in.Advance(18);

  const bool empty = e.StoredSize == 0;
  // Name, then for an empty entry a two-byte filler, then the path length.
  const size_t nameBlock = e.NameLen + (empty ? 2u : 0u) + 2u;
  if (!in.Need(nameBlock)) return false;
  e.Name = CutText(in.Data(), e.NameLen);
  e.PathLen = in.Word(nameBlock - 2);
  in.Advance(nameBlock);

  // Path, the tail marker, then a compression code or a two-byte filler.
  if (!in.Need(e.PathLen + 2u)) return false;
  e.Path = empty ? std::string() : CutText(in.Data(), e.PathLen);
  e.TailMarker = in.Word(e.PathLen);
  in.Advance(e.PathLen + 2u);
  if (empty) e.PathLen = 0;

  if (!in.Need(e.TailMarker == 0 ? 4 : 2)) return false;
  e.Compression = e.TailMarker == 0 ? in.Long(0) : kCompressionNone;
  in.Advance(e.TailMarker == 0 ? 4 : 2);
  return true;
}

}  // namespace

DirectoryReadResult ReadDirectory(kol::Stream& archive, EntryTable& table) {
  DirectoryReadResult result;
  table.clear();

  const uint32_t fileSize = kol::StreamSize(archive);
  kol::StreamSeek(archive, kCountOffset, kol::kFromBeginning);
  DirectoryCursor in(archive);
  if (!in.Need(4)) {
    result.Complete = false;
    return result;
  }
  result.DeclaredCount = static_cast<int32_t>(in.Long(0));
  in.Advance(4);
  if (result.DeclaredCount <= 0) {
    result.Complete = result.DeclaredCount == 0;
    kol::StreamSeek(archive, kDirectoryOffset, kol::kFromBeginning);
    return result;
  }

  // The count is believed only as far as the file's size allows.
  const uint32_t room = fileSize == kol::kStreamError || fileSize < kDirectoryOffset
                            ? 0
                            : (fileSize - kDirectoryOffset) / kSmallestEntry;
  table.reserve(std::min<uint32_t>(static_cast<uint32_t>(result.DeclaredCount), room));

  uint32_t endOfComplete = in.Consumed();
  for (int32_t k = 0; k < result.DeclaredCount; ++k) {
    ArchiveEntry entry;
    if (!ReadEntry(in, entry)) {
      result.Complete = false;
      break;
    }
    table.push_back(std::move(entry));
    endOfComplete = in.Consumed();
  }
  // Leave the stream behind the last complete entry.
  kol::StreamSeek(archive, static_cast<int32_t>(kCountOffset + endOfComplete), kol::kFromBeginning);
  return result;
}
