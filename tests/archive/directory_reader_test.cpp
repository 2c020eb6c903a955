#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <optional>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "archive/directory_reader.h"
#include "kol/stream.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

using testarchive::Archive;
using testarchive::Build;
using testarchive::Entry;

using testarchive::MakeEntry;
using archive::ArchiveEntry;
using archive::DirectoryReadResult;
using archive::EntryTable;
using archive::ReadDirectory;
namespace {

kol::StreamPtr InMemory(const std::string& bytes) {
  kol::StreamPtr s = kol::CreateMemoryStream();
  kol::StreamWrite(*s, bytes.data(), static_cast<uint32_t>(bytes.size()));
  kol::StreamSeek(*s, 0, kol::kFromBeginning);
  return s;
}

struct Read {
  DirectoryReadResult Result;
  EntryTable Table;
  uint32_t EndPosition = 0;
};

Read ReadBytes(const std::string& bytes) {
  Read r;
  kol::StreamPtr s = InMemory(bytes);
  r.Result = ReadDirectory(*s, r.Table);
  r.EndPosition = kol::StreamPosition(*s);
  return r;
}

// The bytes of an archive behind a stream whose seek or size query can fail,
// or whose size can claim more than the bytes: the claimed rest reads as zeros.
class Unreliable final : public kol::Stream {
 public:
  Unreliable(std::string bytes, std::optional<uint32_t> claimedSize, bool seekFails)
      : bytes_(std::move(bytes)), claimedSize_(claimedSize), seekFails_(seekFails) {}

  uint32_t Seek(int32_t offset, uint8_t origin) override {
    if (seekFails_) return kol::kStreamError;
    const int64_t base = origin == kol::kFromCurrent ? position_
                         : origin == kol::kFromEnd   ? End()
                                                     : 0;
    position_ = static_cast<uint32_t>(base + offset);
    return position_;
  }
  uint32_t GetSize() override {
    return claimedSize_.value_or(static_cast<uint32_t>(bytes_.size()));
  }
  uint32_t Read(void* buffer, uint32_t count) override {
    const uint32_t n = position_ >= End() ? 0 : std::min(count, End() - position_);
    auto* out = static_cast<char*>(buffer);
    for (uint32_t k = 0; k < n; ++k, ++position_) {
      out[k] = position_ < bytes_.size() ? bytes_[position_] : '\0';
    }
    return n;
  }
  uint32_t Write(const void*, uint32_t) override { return kol::kStreamError; }

 private:
  uint32_t End() const {
    const bool claimed = claimedSize_ && *claimedSize_ != kol::kStreamError;
    return claimed ? *claimedSize_ : static_cast<uint32_t>(bytes_.size());
  }

  std::string bytes_;
  std::optional<uint32_t> claimedSize_;
  bool seekFails_;
  uint32_t position_ = 0;
};

}  // namespace

TEST(ReadDirectory, PutsEveryFieldOfEveryEntryKindInItsPlace) {
  Archive a;
  a.header = std::string("\xFF\x00garbage", 8);  // the header is never examined
  Entry stored = MakeEntry("layers.button.cancel.h4r", "C:\\Heroes 4\\Assets\\layers\\button", "0123456789");
  stored.spare = 0xDEADBEEF;
  Entry deflated = MakeEntry("table.txt", "data", std::string(500, 'q'), 3);
  Entry emptyMarked = MakeEntry("empty.a", "dropped\\path", "");  // empty, marked tail
  emptyMarked.storedSize = 0;
  emptyMarked.size = 77;
  emptyMarked.tailMarker = 5;
  emptyMarked.filler = 0xABCD;
  Entry emptyPlain = MakeEntry("empty.b", "also dropped", "", 1);  // empty, compression code follows
  emptyPlain.storedSize = 0;
  Entry odd = MakeEntry("", "p", "x", 2);  // no name, unknown code
  Entry marked = MakeEntry("m", "q", "yy", 3);
  marked.tailMarker = 1;  // the code is replaced by a filler and reads as 0
  a.entries = {stored, deflated, emptyMarked, emptyPlain, odd, marked};
  const std::string bytes = Build(a);

  const Read r = ReadBytes(bytes);
  EXPECT_TRUE(r.Result.Complete);
  EXPECT_EQ(r.Result.DeclaredCount, 6);
  ASSERT_EQ(r.Table.size(), 6u);

  const ArchiveEntry& e1 = r.Table[0];
  EXPECT_EQ(bytes.substr(e1.Offset, 10), "0123456789");
  EXPECT_EQ(e1.StoredSize, 10);
  EXPECT_EQ(e1.Size, 10);
  EXPECT_EQ(e1.Spare, 0xDEADBEEFu);
  EXPECT_EQ(e1.Name, "layers.button.cancel.h4r");
  EXPECT_EQ(e1.NameLen, 24);
  EXPECT_EQ(e1.Path, "C:\\Heroes 4\\Assets\\layers\\button");
  EXPECT_EQ(e1.PathLen, e1.Path.size());
  EXPECT_EQ(e1.TailMarker, 0);
  EXPECT_EQ(e1.Compression, 1u);

  const ArchiveEntry& e2 = r.Table[1];
  EXPECT_EQ(e2.Compression, 3u);
  EXPECT_EQ(e2.Size, 500);
  EXPECT_EQ(e2.Offset, e1.Offset + 10);
  EXPECT_EQ(bytes.substr(e2.Offset, 3), std::string("\x1f\x8b\x08", 3));

  const ArchiveEntry& e3 = r.Table[2];
  EXPECT_EQ(e3.StoredSize, 0);
  EXPECT_EQ(e3.Size, 77);
  EXPECT_EQ(e3.Name, "empty.a");
  EXPECT_EQ(e3.PathLen, 0);
  EXPECT_EQ(e3.Path, "");
  EXPECT_EQ(e3.TailMarker, 5);
  EXPECT_EQ(e3.Compression, 0u);

  const ArchiveEntry& e4 = r.Table[3];
  EXPECT_EQ(e4.Name, "empty.b");
  EXPECT_EQ(e4.Path, "");
  EXPECT_EQ(e4.Compression, 1u);

  EXPECT_EQ(r.Table[4].Name, "");
  EXPECT_EQ(r.Table[4].Path, "p");
  EXPECT_EQ(r.Table[4].Compression, 2u);

  EXPECT_EQ(r.Table[5].Name, "m");
  EXPECT_EQ(r.Table[5].TailMarker, 1);
  EXPECT_EQ(r.Table[5].Compression, 0u);

  // The stream is left right behind the directory, where the first data lies.
  EXPECT_EQ(r.EndPosition, e1.Offset);
}

TEST(ReadDirectory, EntryLengthsFollowTheEmptyAndTailConditions) {
  // Each of these entries is followed by a plain one whose fields must come
  // out right, which they only do if the entry before took its exact length.
  auto lengthOf = [](const Entry& first) -> size_t {
    Archive a;
    a.entries = {first, MakeEntry("next", "n", "abc")};
    const Read r = ReadBytes(Build(a));
    EXPECT_TRUE(r.Result.Complete);
    if (r.Table.size() != 2) return 0;
    EXPECT_EQ(r.Table[1].Name, "next");
    EXPECT_EQ(r.Table[1].Path, "n");
    EXPECT_EQ(r.Table[1].Size, 3);
    // The second entry takes 26 + 4 + 1 bytes and ends where the data starts.
    return r.EndPosition - 12 - (26 + 4 + 1);
  };
  Entry ordinary = MakeEntry("abcd", "pq", "z");
  EXPECT_EQ(lengthOf(ordinary), 26u + 4 + 2);
  Entry emptyMarked = MakeEntry("abcd", "pq", "");
  emptyMarked.storedSize = 0;
  emptyMarked.tailMarker = 9;
  EXPECT_EQ(lengthOf(emptyMarked), 26u + 4 + 2);
  Entry emptyPlain = MakeEntry("abcd", "pq", "");
  emptyPlain.storedSize = 0;
  EXPECT_EQ(lengthOf(emptyPlain), 28u + 4 + 2);
}

TEST(ReadDirectory, CutsNamesAndPathsAt246BytesButReadsOnFromTheRightPlace) {
  Archive a;
  a.entries = {MakeEntry(std::string(246, 'n'), std::string(247, 'p'), "1"),
               MakeEntry(std::string(247, 'N'), std::string(1000, 'P'), "2"), MakeEntry("after", "x", "3")};
  const Read r = ReadBytes(Build(a));
  ASSERT_EQ(r.Table.size(), 3u);
  EXPECT_EQ(r.Table[0].Name, std::string(246, 'n'));
  EXPECT_EQ(r.Table[0].NameLen, 246);
  EXPECT_EQ(r.Table[0].Path, std::string(246, 'p'));
  EXPECT_EQ(r.Table[0].PathLen, 247);
  EXPECT_EQ(r.Table[1].Name, std::string(246, 'N'));
  EXPECT_EQ(r.Table[1].NameLen, 247);
  EXPECT_EQ(r.Table[1].PathLen, 1000);
  EXPECT_EQ(r.Table[2].Name, "after");
  EXPECT_EQ(r.Table[2].Size, 1);
}

TEST(ReadDirectory, MalformedDirectoriesAreCutAtTheLastCompleteEntry) {
  Archive a;
  a.entries = {MakeEntry("one", "a", "1111"), MakeEntry("two", "b", "2222"), MakeEntry("three", "c", "3333")};
  const std::string good = Build(a);

  // A zero count reads nothing behind the header.
  Archive none;
  const Read zero = ReadBytes(Build(none));
  EXPECT_TRUE(zero.Result.Complete);
  EXPECT_TRUE(zero.Table.empty());
  EXPECT_EQ(zero.EndPosition, 12u);

  // Every cut inside the directory keeps just the entries before it.
  // "one", "two" and "three", each with a one-byte path, take 30, 30 and 32 bytes.
  const size_t dirEnd = 12 + 30 + 30 + 32;
  ASSERT_EQ(good.find("1111"), dirEnd);
  for (size_t cut = 12; cut < dirEnd; ++cut) {
    const Read r = ReadBytes(good.substr(0, cut));
    EXPECT_FALSE(r.Result.Complete) << cut;
    EXPECT_EQ(r.Result.DeclaredCount, 3);
    const size_t whole = cut < 12 + 30 ? 0 : cut < 12 + 60 ? 1 : 2;
    ASSERT_EQ(r.Table.size(), whole) << cut;
    if (whole > 0) {
      EXPECT_EQ(r.Table[0].Name, "one");
    }
    if (whole > 1) {
      EXPECT_EQ(r.Table[1].Name, "two");
    }
  }

  // A header cut short, or no file at all, reads as an empty, incomplete directory.
  for (size_t cut : {0, 5, 11}) {
    const Read r = ReadBytes(good.substr(0, cut));
    EXPECT_FALSE(r.Result.Complete);
    EXPECT_EQ(r.Result.DeclaredCount, 0);
    EXPECT_TRUE(r.Table.empty());
  }
  testarchive::TempFolder dir;
  EntryTable table = {ArchiveEntry()};
  kol::StreamPtr missing = kol::OpenReadStream(dir / "missing.h4r");
  EXPECT_FALSE(ReadDirectory(*missing, table).Complete);
  EXPECT_TRUE(table.empty());

  // A negative count is no entries, and the archive is damaged.
  Archive negative = a;
  negative.count = -5;
  const Read n = ReadBytes(Build(negative));
  EXPECT_TRUE(n.Table.empty());
  EXPECT_FALSE(n.Result.Complete);
  EXPECT_EQ(n.Result.DeclaredCount, -5);

  // A name length running past the end of the file.
  Archive lying = a;
  lying.entries[1].nameLen = 60000;
  const Read l = ReadBytes(Build(lying));
  EXPECT_FALSE(l.Result.Complete);
  ASSERT_EQ(l.Table.size(), 1u);
  EXPECT_EQ(l.Table[0].Name, "one");
  EXPECT_EQ(l.EndPosition, 12u + 30);
}

TEST(ReadDirectory, TheCountIsBelievedOnlyAsFarAsTheFileCanHoldIt) {
  Archive a;
  a.entries = {MakeEntry("one", "a", "1"), MakeEntry("two", "b", "2"),
               MakeEntry("three", "c", std::string(300, '3'))};
  // The smallest entry takes 24 bytes: no file holds more entries than that allows.
  const auto room = [](const std::string& bytes) { return (bytes.size() - 12) / 24; };
  struct Case {
    const char* title;
    std::optional<int32_t> count;
    std::optional<uint32_t> claimedSize;
    bool seekFails;
    size_t entries;
    bool complete, unreachable, beyondRoom, roomKnown;
  } cases[] = {
      {"true count", std::nullopt, std::nullopt, false, 3, true, false, false, true},
      {"a count the file could hold", 4, std::nullopt, false, 3, false, false, false, true},
      {"a count no file of this size holds", 0x7FFFFFFF, std::nullopt, false, 3, false, false, true,
       true},
      {"size unknown, true count", std::nullopt, kol::kStreamError, false, 3, true, false, false,
       false},
      {"size unknown, huge count", 0x7FFFFFFF, kol::kStreamError, false, 3, false, false, false,
       false},
      {"seek fails", std::nullopt, std::nullopt, true, 0, false, true, false, true},
  };
  for (const Case& c : cases) {
    Archive counted = a;
    counted.count = c.count;
    const std::string bytes = Build(counted);
    Unreliable stream(bytes, c.claimedSize, c.seekFails);
    EntryTable table(5);
    const DirectoryReadResult r = ReadDirectory(stream, table);
    EXPECT_EQ(table.size(), c.entries) << c.title;
    EXPECT_LE(table.capacity(), std::max<size_t>(room(bytes), 4)) << c.title;
    EXPECT_EQ(r.Complete, c.complete) << c.title;
    EXPECT_EQ(r.Unreachable, c.unreachable) << c.title;
    EXPECT_EQ(r.CountBeyondRoom(), c.beyondRoom) << c.title;
    EXPECT_EQ(r.Room.has_value(), c.roomKnown) << c.title;
    EXPECT_FALSE(r.OutOfMemory) << c.title;
    if (c.entries == 3) {
      EXPECT_EQ(table[2].Name, "three") << c.title;
    }
    if (c.unreachable) {
      EXPECT_EQ(r.DeclaredCount, 0) << c.title;
    }
  }
}

// AddressSanitizer keeps its own address space and dies rather than throw
// when it cannot grow it.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARNWICK_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define TARNWICK_ASAN 1
#endif
#if !defined(_WIN32) && !defined(TARNWICK_ASAN)
#define TARNWICK_CAN_LIMIT_MEMORY 1
#endif

#ifdef TARNWICK_CAN_LIMIT_MEMORY
TEST(ReadDirectory, RunningOutOfMemoryIsAnOutcomeNotAnAbort) {
  // A 4 GiB file of zeros whose count asks for more entries than it can hold:
  // the table does not fit within an address space held a little above what
  // the process already uses.
  Archive a;
  a.count = 0x7FFFFFFF;
  Unreliable stream(Build(a), 0xFFFFFF00u, false);
  long pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  ASSERT_GT(pages, 0);
  // The old limit comes back however the reading ends, a throw included.
  struct AddressSpaceLimit {
    rlimit old{};
    bool set = false;
    explicit AddressSpaceLimit(rlim_t bytes) {
      if (getrlimit(RLIMIT_AS, &old) != 0) return;
      rlimit tight = old;
      tight.rlim_cur = bytes;
      set = setrlimit(RLIMIT_AS, &tight) == 0;
    }
    ~AddressSpaceLimit() {
      if (set) setrlimit(RLIMIT_AS, &old);
    }
  };
  DirectoryReadResult r;
  EntryTable table(3);
  {
    const AddressSpaceLimit limit(static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) +
                                  (512u << 20));
    ASSERT_TRUE(limit.set);
    r = ReadDirectory(stream, table);
  }
  EXPECT_TRUE(r.OutOfMemory);
  EXPECT_FALSE(r.Complete);
  EXPECT_TRUE(table.empty());
}
#endif
