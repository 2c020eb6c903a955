#include <gtest/gtest.h>

#include "archive/directory_reader.h"
#include "kol/stream.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

using testarchive::Archive;
using testarchive::Build;
using testarchive::Entry;

using testarchive::MakeEntry;
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

  // A count far beyond what the file holds: the real entries, then a cut,
  // without reserving room for two billion entries.
  Archive huge = a;
  huge.count = 0x7FFFFFFF;
  const Read h = ReadBytes(Build(huge));
  EXPECT_FALSE(h.Result.Complete);
  EXPECT_EQ(h.Result.DeclaredCount, 0x7FFFFFFF);
  EXPECT_GE(h.Table.size(), 3u);
  EXPECT_EQ(h.Table[2].Name, "three");
  EXPECT_LE(h.Table.capacity(), Build(huge).size() / 22);

  // A name length running past the end of the file.
  Archive lying = a;
  lying.entries[1].nameLen = 60000;
  const Read l = ReadBytes(Build(lying));
  EXPECT_FALSE(l.Result.Complete);
  ASSERT_EQ(l.Table.size(), 1u);
  EXPECT_EQ(l.Table[0].Name, "one");
  EXPECT_EQ(l.EndPosition, 12u + 30);
}
