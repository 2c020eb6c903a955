#include "archive/directory_reader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "archive/aliases.h"

namespace archive {
namespace {

// A file without the signature, or one whose header points outside it, has
// its directory right behind the header, where most of the game's archives
// keep it.
constexpr char kSignature[3] = {'H', '4', 'R'};
// The fewest bytes one record can take: four 32-bit numbers, the lengths of
// name, path and alias, and the 32-bit type.
constexpr uint32_t kSmallestEntry = 26;

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
      const uint32_t got =
          io::StreamRead(stream_, buffer_.data() + have, static_cast<uint32_t>(want));
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
           static_cast<uint32_t>(Data()[at + 2]) << 16 |
           static_cast<uint32_t>(Data()[at + 3]) << 24;
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

// Reads a counted text at the cursor: its 16-bit length, then its bytes.
bool ReadText(DirectoryCursor& in, uint16_t& length, std::string& text) {
  if (!in.Need(2)) return false;
  length = in.Word(0);
  if (!in.Need(2u + length)) return false;
  text = CutText(in.Data() + 2, length);
  in.Advance(2u + length);
  return true;
}

// Reads one record at the cursor; false when the file ends inside it, in
// which case the cursor may have moved and the record is to be dropped.
bool ReadEntry(DirectoryCursor& in, ArchiveEntry& e) {
  if (!in.Need(16)) return false;
  e.Offset = in.Long(0);
  e.StoredSize = static_cast<int32_t>(in.Long(4));
  e.Size = static_cast<int32_t>(in.Long(8));
  e.Time = in.Long(12);
  in.Advance(16);
  if (!ReadText(in, e.NameLen, e.Name) || !ReadText(in, e.PathLen, e.Path) ||
      !ReadText(in, e.AliasLen, e.AliasName) || !in.Need(4)) {
    return false;
  }
  e.Compression = in.Long(0);
  in.Advance(4);
  // An empty entry has no folder of its own; an alias stands for a file and
  // keeps the one it was stored with.
  if (e.StoredSize == 0 && !e.IsAlias()) {
    e.PathLen = 0;
    e.Path.clear();
  }
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
    const uint32_t recordStart = result.DirectoryOffset + in.Committed();
    if (!ReadEntry(in, entry)) {
      result.Complete = false;
      return;
    }
    table.push_back(std::move(entry));
    if (recordOffsets != nullptr) recordOffsets->push_back(recordStart);
    in.Commit();
  }
}

// Where the directory's count lies: where the header points, when the header
// bears the signature and the place lies inside the file; else behind the header.
uint32_t DirectoryPosition(io::Stream& archive, uint32_t fileSize) {
  uint8_t header[kHeaderSize];
  if (fileSize == io::kStreamError || fileSize < kHeaderSize ||
      io::StreamSeek(archive, 0, io::kFromBeginning) != 0 ||
      io::StreamRead(archive, header, kHeaderSize) != kHeaderSize ||
      std::memcmp(header, kSignature, sizeof kSignature) != 0) {
    return kHeaderSize;
  }
  const uint32_t pointed =
      header[4] | uint32_t{header[5]} << 8 | uint32_t{header[6]} << 16 | uint32_t{header[7]} << 24;
  return pointed >= kHeaderSize && pointed <= fileSize - 4 ? pointed : kHeaderSize;
}

}  // namespace

DirectoryReadResult ReadDirectory(io::Stream& archive, EntryTable& table,
                                  std::vector<uint32_t>* recordOffsets) {
  DirectoryReadResult result;
  // The previous table goes first, so that its memory is free for this one.
  EntryTable().swap(table);
  if (recordOffsets != nullptr) std::vector<uint32_t>().swap(*recordOffsets);

  const uint32_t fileSize = io::StreamSize(archive);
  const uint32_t start = DirectoryPosition(archive, fileSize);
  result.DirectoryOffset = start;
  if (fileSize != io::kStreamError) {
    result.Room = fileSize < start + 4 ? 0 : (fileSize - start - 4) / kSmallestEntry;
  }
  if (io::StreamSeek(archive, static_cast<int32_t>(start), io::kFromBeginning) != start) {
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
    ResolveAliases(table);
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
  io::StreamSeek(archive, static_cast<int32_t>(start + endOfComplete), io::kFromBeginning);
  return result;
}

}  // namespace archive
