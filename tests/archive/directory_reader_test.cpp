#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "archive/aliases.h"
#include "archive/directory_reader.h"
#include "archive/path_formation.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_system.h"

using testarchive::MakeEntry;

struct Read {
  archive::DirectoryReadResult Result;
  archive::EntryTable Table = archive::EntryTable(2);  // replaced, not added to
  uint32_t End = 0;                                    // where the stream was left
};

static Read ReadBytes(const std::string& bytes) {
  io::StreamPtr s = testarchive::MemoryStreamOf(bytes);
  Read r;
  r.Result = archive::ReadDirectory(*s, r.Table);
  r.End = io::StreamPosition(*s);
  return r;
}

// The fields of the table's entries, a line each: name and path (their first
// nine bytes and their length), alias, the three lengths, stored size, size,
// time, type, alias state and, last, offset.
static std::string Fields(const archive::EntryTable& table) {
  std::ostringstream lines;
  for (const auto& e : table) {
    lines << e.Name.substr(0, 9) << e.Name.size() << "|" << e.Path.substr(0, 9) << e.Path.size()
          << "|" << e.AliasName << "|" << e.NameLen << "|" << e.PathLen << "|" << e.AliasLen << "|"
          << e.StoredSize << "|" << e.Size << "|" << e.Time << "|" << e.Compression << "|"
          << int(e.Alias) << "|" << e.Offset << "\n";
  }
  return lines.str();
}

TEST(ReadDirectory, ReadsEveryRecordShapeWhereverTheDirectoryLies) {
  // Each record, then what the reader makes of it but the offset, which must
  // point at the record's data. A record with data closes the directory: a
  // reader that loses its place on the way misreads it.
  const auto data = [](std::string name, std::string path, uint32_t type) {
    testarchive::Entry e = MakeEntry(name, path, "0123456789", type);
    e.Time = 1'700'000'000;
    e.Stored = e.Data;  // as it is, also under type 3
    return e;
  };
  const auto alias = [](std::string path, uint32_t type) {
    return testarchive::Entry{.Name = "b.pcx", .Path = path, .Compression = type, .Alias = "a.pcx"};
  };
  // clang-format off
  const std::vector<std::pair<testarchive::Entry, std::string>> rows = {
      {data("a.pcx", "D:\\h4\\", 1), "a.pcx5|D:\\h4\\6||5|6|0|10|10|1700000000|1|0|"},
      {data("", "p", 3), "0|p1||0|1|0|10|10|1700000000|3|0|"},
      {data(std::string(247, 'N'), std::string(999, 'P'), 2),
       "NNNNNNNNN246|PPPPPPPPP246||247|999|0|10|10|1700000000|2|0|"},
      {{.Name = "empty.a", .Path = "dropped"}, "empty.a7|0||7|0|0|0|0|0|1|0|"},
      {{.Name = "empty.b", .Compression = 0, .Size = 77}, "empty.b7|0||7|0|0|0|77|0|0|0|"},
      {alias("", 0), "b.pcx5|0|a.pcx|5|0|5|0|0|0|0|1|"},
      {alias("", 1), "b.pcx5|0|a.pcx|5|0|5|0|0|0|1|1|"},
      {alias("", 3), "b.pcx5|0|a.pcx|5|0|5|0|0|0|3|1|"},
      {alias("D:\\h4\\", 0), "b.pcx5|D:\\h4\\6|a.pcx|5|6|5|0|0|0|0|1|"},
      {alias("D:\\h4\\", 3), "b.pcx5|D:\\h4\\6|a.pcx|5|6|5|0|0|0|3|1|"},
      {data("last.txt", "", 1), "last.txt8|0||8|0|0|10|10|1700000000|1|0|"}};
  // clang-format on
  for (const bool atEnd : {false, true}) {
    for (const bool signed_ : {true, false}) {
      testarchive::Archive a{.DirectoryAtEnd = atEnd};
      for (const auto& row : rows) a.Entries.push_back(row.first);
      if (!signed_) a.Header = std::string("H4X\x05\x08\0\0\0", 8);
      const std::string bytes = testarchive::Build(a);
      const Read r = ReadBytes(bytes);
      SCOPED_TRACE(testing::Message() << "at end " << atEnd << ", signed " << signed_);
      // Without the signature the directory is looked for behind the header.
      if (atEnd && !signed_) {
        EXPECT_FALSE(r.Result.Complete);
        continue;
      }
      ASSERT_TRUE(r.Result.Complete);
      ASSERT_EQ(r.Table.size(), rows.size());
      EXPECT_EQ(r.Result.DirectoryOffset,
                atEnd ? bytes.size() - (r.End - r.Result.DirectoryOffset) : 8);
      for (size_t k = 0; k < rows.size(); ++k) {
        const archive::ArchiveEntry& e = r.Table[k];
        EXPECT_EQ(Fields({e}), rows[k].second + std::to_string(e.Offset) + "\n") << k;
        EXPECT_TRUE(rows[k].first.Data.empty() || bytes.substr(e.Offset, 10) == "0123456789") << k;
      }
      EXPECT_EQ(archive::DataOf(r.Table, 5).Offset, r.Table[0].Offset);
    }
  }
}

TEST(ReadDirectory, ReadsWhatTheFileHoldsWholeAndNoMore) {
  testarchive::Archive a{.Entries = {MakeEntry("a.b.h4r", "C:\\x", "0123456789"),
                                     MakeEntry("empty.a", "dropped", ""),
                                     {.Name = "alias", .Alias = "a.b.h4r"},
                                     MakeEntry("", "p", "x", 2)}};
  const auto counted = [&](std::optional<int32_t> count) {
    a.Count = count;
    return testarchive::Build(a);
  };
  const std::string bytes = counted({});
  const Read all = ReadBytes(bytes);
  ASSERT_EQ(all.Table.size(), 4u);
  EXPECT_EQ(all.End, all.Table[0].Offset);  // behind the directory

  // Cut anywhere in the directory, or with a count beyond its entries, the
  // entries before the cut are read and the stream is left behind them.
  std::vector<Read> first;
  for (int32_t k = 0; k <= 4; ++k) first.push_back(ReadBytes(counted(k)));
  for (uint32_t cut = 12, whole = 0; cut < all.End; ++cut) {
    while (first[whole + 1].End <= cut) ++whole;
    const Read r = ReadBytes(bytes.substr(0, cut));
    EXPECT_EQ(Fields(r.Table), Fields(first[whole].Table)) << cut;
    EXPECT_EQ(r.End, first[whole].End) << cut;
    EXPECT_FALSE(r.Result.Complete);
  }
  const Read lying = ReadBytes(counted(5)), negative = ReadBytes(counted(-5));
  EXPECT_TRUE(Fields(lying.Table) == Fields(all.Table) && !lying.Result.Complete);
  EXPECT_TRUE(negative.Table.empty() && !negative.Result.Complete);
  EXPECT_TRUE(ReadBytes(counted(0x7FFFFFFF)).Result.CountBeyondRoom());
  // A header that points beyond the file, or into it, is not believed.
  for (const uint32_t pointed : {0u, 7u, uint32_t(bytes.size()) - 3, 0xFFFFFFF0u}) {
    std::string moved = bytes;
    for (int b = 0; b < 4; ++b) moved[4 + b] = char(pointed >> (8 * b));
    EXPECT_EQ(Fields(ReadBytes(moved).Table), Fields(all.Table)) << pointed;
  }
  archive::EntryTable table(2);
  const auto r = archive::ReadDirectory(*io::OpenReadStream(""), table);
  EXPECT_TRUE(r.Unreachable && !r.Complete && !r.CountBeyondRoom() && table.empty());
}

TEST(ResolveAliases, FollowsChainsByNameWithLatinLettersFolded) {
  // Each table as name>alias pairs ("" for a record with data), then what
  // each record resolves to: the index of its data record, "-" missing, "o" a loop.
  // clang-format off
  const struct { std::vector<std::pair<std::string, std::string>> Records; std::string Expected; }
  cases[] = {
      {{{"a.pcx", ""}, {"b.pcx", "A.PCX"}}, "00"}, {{{"c", "b"}, {"b", "a"}, {"a", ""}}, "222"},
      {{{"b", "nothing"}, {"c", "b"}}, "--"},      {{{"self", "SELF"}}, "o"},
      {{{"x", "y"}, {"y", "x"}, {"z", "y"}, {"w", ""}}, "ooo3"},
      {{{"dup", "other"}, {"dup", ""}, {"other", "dup"}, {"\xC0", "\xE0"}}, "111-"},
  };
  // clang-format on
  for (const auto& c : cases) {
    archive::EntryTable table;
    for (const auto& [name, alias] : c.Records) {
      archive::ArchiveEntry e{.Name = name, .Path = "", .AliasName = alias};
      e.StoredSize = alias.empty() ? 5 : 0, e.AliasLen = uint16_t(alias.size());
      table.push_back(e);
    }
    archive::ResolveAliases(table);
    std::string got;
    for (size_t k = 0; k < table.size(); ++k) {
      const archive::ArchiveEntry& e = table[k];
      got += e.Alias == archive::AliasState::Missing ? "-"
             : e.Alias == archive::AliasState::Loop  ? "o"
             : e.Alias == archive::AliasState::None  ? std::to_string(k)
                                                     : std::to_string(e.Target);
    }
    EXPECT_EQ(got, c.Expected) << c.Records.front().first;
  }
}

TEST(FormPaths, InnerDotsOfTheNameBecomeFolders) {
  // Each name, then the path and name formed from it.
  // clang-format off
  const char* cases[] = {"layers.button.cancel.h4r", "layers\\button\\|cancel.h4r",
                         "cancel.h4r", "|cancel.h4r", "readme", "|readme", "a..b.c", "a\\\\|b.c",
                         "abc.", "|abc.", ".a.b", "\\|a.b", "dir\\x.y.z", "dir\\x\\|y.z",
                         "C:x.y", "C:|x.y", "", "|"};
  // clang-format on
  for (size_t k = 0; k < std::size(cases); k += 2) {
    archive::EntryTable table{
        {.NameLen = 300, .PathLen = 300, .Name = cases[k], .Path = "s\\p", .AliasName = ""}};
    archive::FormPaths(table);
    const archive::ArchiveEntry& e = table[0];
    EXPECT_EQ(e.Path + "|" + e.Name, cases[k + 1]);
    EXPECT_EQ(e.NameLen + 1000 * e.PathLen, e.Name.size() + 1000 * e.Path.size()) << cases[k];
  }
}

// AddressSanitizer dies rather than throw when its address space runs out.
#if !defined(_WIN32) && !defined(TARNWICK_SANITIZE)
TEST(ReadDirectory, RunningOutOfMemoryIsAnOutcomeNotAnAbort) {
  // Nearly 4 GiB of zeros behind a count asking for more entries than fit in
  // an address space held a little above what the process already uses.
  testarchive::TempFolder dir;
  ASSERT_TRUE(
      testarchive::WriteFileBytes(dir / "big.h4r", testarchive::Build({.Count = 0x7FFFFFFF})));
  std::filesystem::resize_file(dir / "big.h4r", 0xFFFFFF00u);
  io::StreamPtr stream = io::OpenReadStream(dir / "big.h4r");
  long pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  testsystem::ProcessLimit limit(testsystem::Limit::AddressSpace,
                                 pages * sysconf(_SC_PAGESIZE) + (512u << 20));
  ASSERT_TRUE(limit.Active());
  archive::EntryTable table(3);
  const archive::DirectoryReadResult r = archive::ReadDirectory(*stream, table);
  EXPECT_TRUE(r.OutOfMemory && !r.Complete && table.empty());
}
#endif
