#include "archive/directory_reader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace archive {
namespace {

// Offset of the entry count; the eight bytes before it are never examined.
constexpr uint32_t kCountOffset = 8;
constexpr uint32_t kDirectoryOffset = 12;
// The fewest bytes one entry can take: four 32-bit numbers, the name and
// path lengths, the tail marker and the two-byte filler behind it.
constexpr uint32_t kSmallestEntry = 24;

// Reads the stream forward through a block buffer, so that a directory of
// tens of thousands of entries costs a handful of reads instead of ten small
// reads per entry.
class DirectoryCursor {
 public:
  explicit DirectoryCursor(io::Stream& stream) : stream_(stream) {}

  // Makes n bytes available at Data(); false when the file ends first.
  bool Need(size_t n) {
    if (buffer_.size() - next_ >= n) return true;
    buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<ptrdiff_t>(next_));
    next_ = 0;
    while (buffer_.size() < n) {
      const size_t have = buffer_.size();
      const size_t want = std::max<size_t>(n - have, kBlock);
      buffer_.resize(have + want);
      const uint32_t got = io::StreamRead(stream_, buffer_.data() + have, static_cast<uint32_t>(want));
      const size_t valid = got == io::kStreamError ? 0 : std::min<size_t>(got, want);
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
  // Marks everything consumed so far as belonging to complete entries.
  void Commit() { committed_ = consumed_; }
  uint32_t Committed() const { return committed_; }

  uint16_t Word(size_t at) const { return static_cast<uint16_t>(Data()[at] | Data()[at + 1] << 8); }
  uint32_t Long(size_t at) const {
    return static_cast<uint32_t>(Data()[at]) | static_cast<uint32_t>(Data()[at + 1]) << 8 |
           static_cast<uint32_t>(Data()[at + 2]) << 16 | static_cast<uint32_t>(Data()[at + 3]) << 24;
  }

 private:
  static constexpr size_t kBlock = 64 * 1024;
  io::Stream& stream_;
  std::vector<uint8_t> buffer_;
  size_t next_ = 0;
  uint32_t consumed_ = 0;
  uint32_t committed_ = 0;
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

// The entries behind the count, as far as the file holds them whole.
void ReadEntries(DirectoryCursor& in, DirectoryReadResult& result, EntryTable& table,
                 std::vector<uint32_t>* recordOffsets) {
  // The count is believed only as far as the file's size allows; when the size
  // is unknown the table grows with what is actually read.
  const auto declared = static_cast<uint32_t>(result.DeclaredCount);
  if (result.Room) {
    try {
      table.reserve(std::min(declared, *result.Room));
    } catch (const std::bad_alloc&) {
      // A count beyond the room is a lie, and a file that is no archive at
      // all ends its "directory" long before the room is used: read on and
      // let what is really there decide.
    }
  }
  for (uint32_t k = 0; k < declared; ++k) {
    ArchiveEntry entry;
    const uint32_t recordStart = kCountOffset + in.Committed();
    if (!ReadEntry(in, entry)) {
      result.Complete = false;
      return;
    }
    table.push_back(std::move(entry));
    if (recordOffsets != nullptr) recordOffsets->push_back(recordStart);
    in.Commit();
  }
}

}  // namespace

DirectoryReadResult ReadDirectory(io::Stream& archive, EntryTable& table,
                                  std::vector<uint32_t>* recordOffsets) {
  DirectoryReadResult result;
  // The previous table goes first, so that its memory is free for this one.
  EntryTable().swap(table);
  if (recordOffsets != nullptr) std::vector<uint32_t>().swap(*recordOffsets);

  const uint32_t fileSize = io::StreamSize(archive);
  if (fileSize != io::kStreamError) {
    result.Room = fileSize < kDirectoryOffset ? 0 : (fileSize - kDirectoryOffset) / kSmallestEntry;
  }
  if (io::StreamSeek(archive, kCountOffset, io::kFromBeginning) != kCountOffset) {
    result.Complete = false;
    result.Unreachable = true;
    return result;
  }

  uint32_t endOfComplete = 0;
  try {
    DirectoryCursor in(archive);
    if (!in.Need(4)) {
      result.Complete = false;
      return result;
    }
    result.DeclaredCount = static_cast<int32_t>(in.Long(0));
    in.Advance(4);
    in.Commit();
    if (result.DeclaredCount <= 0) {
      result.Complete = result.DeclaredCount == 0;
    } else {
      ReadEntries(in, result, table, recordOffsets);
    }
    endOfComplete = in.Committed();
  } catch (const std::bad_alloc&) {
    // A count the file's size allows can still be more than this process may
    // hold; the caller says so instead of dying.
    EntryTable().swap(table);
    if (recordOffsets != nullptr) std::vector<uint32_t>().swap(*recordOffsets);
    result.Complete = false;
    result.OutOfMemory = true;
    endOfComplete = 4;
  }
  // Leave the stream behind the last complete entry.
  io::StreamSeek(archive, static_cast<int32_t>(kCountOffset + endOfComplete), io::kFromBeginning);
  return result;
}

}  // namespace archive
