#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "archive/directory_reader.h"
#include "archive/path_formation.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

using testarchive::MakeEntry;

namespace {

struct Read {
  archive::DirectoryReadResult result;
  archive::EntryTable table = archive::EntryTable(2);  // replaced, not added to
  std::string entries;                                 // a line of fields per entry
  uint32_t end = 0;                                    // where the stream was left
};

Read ReadBytes(const std::string& bytes) {
  io::StreamPtr s = io::CreateMemoryStream();
  io::StreamWrite(*s, bytes.data(), static_cast<uint32_t>(bytes.size()));
  io::StreamSeek(*s, 0, io::kFromBeginning);
  Read r;
  r.result = archive::ReadDirectory(*s, r.table);
  std::ostringstream lines;
  for (const auto& e : r.table) {
    lines << e.Name.substr(0, 9) << e.Name.size() << "|" << e.Path.substr(0, 9) << e.Path.size()
          << "|" << e.NameLen << "|" << e.PathLen << "|" << e.StoredSize << "|" << e.Size << "|"
          << e.Spare << "|" << e.TailMarker << "|" << e.Compression << "\n";
  }
  r.entries = lines.str();
  r.end = io::StreamPosition(*s);
  return r;
}

}  // namespace

TEST(ReadDirectory, ReadsEveryEntryTheFileHoldsWhole) {
  testarchive::Archive a;
  a.header = std::string("\xFF\x00garbage", 8);  // never examined
  a.entries = {MakeEntry("a.b.h4r", "C:\\x", "0123456789"), MakeEntry("empty.a", "dropped", ""),
               MakeEntry("empty.b", "dropped", ""), MakeEntry("", "p", "x", 2),
               MakeEntry(std::string(247, 'N'), std::string(999, 'P'), "2")};
  a.entries[0].spare = 48879;
  a.entries[1].size = 77;  // empty all the same, as its stored size says
  a.entries[1].tailMarker = 5, a.entries[1].filler = 0xABCD;  // a filler where the code would be
  const auto counted = [&](std::optional<int32_t> count) {
    testarchive::Archive c = a;
    c.count = count;
    return testarchive::Build(c);
  };
  const std::string bytes = counted({});
  const Read all = ReadBytes(bytes);
  EXPECT_EQ(all.entries,
            "a.b.h4r7|C:\\x4|7|4|10|10|48879|0|1\nempty.a7|0|7|0|0|77|0|5|0\n"
            "empty.b7|0|7|0|0|0|0|0|1\n0|p1|0|1|1|1|0|0|2\nNNNNNNNNN246|PPPPPPPPP246|247|999|1|1|0|"
            "0|1\n");
  ASSERT_EQ(all.table.size(), 5u);
  EXPECT_EQ(bytes.substr(all.table[0].Offset, 10), "0123456789");
  EXPECT_EQ(bytes.substr(all.table[4].Offset), "2");
  EXPECT_EQ(all.end, all.table[0].Offset);  // behind the directory

  // Cut anywhere in the directory, or with a count beyond its entries, the
  // entries before the cut are read and the stream is left behind them.
  std::vector<Read> first;
  for (int32_t k = 0; k <= 5; ++k) first.push_back(ReadBytes(counted(k)));
  for (uint32_t cut = 12, whole = 0; cut < all.end; ++cut) {
    while (first[whole + 1].end <= cut) ++whole;
    const Read r = ReadBytes(bytes.substr(0, cut));
    EXPECT_EQ(r.entries, first[whole].entries) << cut;
    EXPECT_EQ(r.end, first[whole].end) << cut;
    EXPECT_FALSE(r.result.Complete);
  }
  const Read lying = ReadBytes(counted(6)), negative = ReadBytes(counted(-5));
  EXPECT_TRUE(lying.entries == all.entries && !lying.result.Complete);
  EXPECT_TRUE(negative.table.empty() && !negative.result.Complete);
  EXPECT_TRUE(ReadBytes(counted(0x7FFFFFFF)).result.CountBeyondRoom());
  archive::EntryTable table(2);
  const auto r = archive::ReadDirectory(*io::OpenReadStream(""), table);
  EXPECT_TRUE(r.Unreachable && !r.Complete && !r.CountBeyondRoom() && table.empty());
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
    archive::EntryTable table{{.NameLen = 300, .PathLen = 300, .Name = cases[k], .Path = "s\\p"}};
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
  testarchive::Archive a;
  a.count = 0x7FFFFFFF;
  ASSERT_TRUE(testarchive::WriteFileBytes(dir / "big.h4r", testarchive::Build(a)));
  std::filesystem::resize_file(dir / "big.h4r", 0xFFFFFF00u);
  io::StreamPtr stream = io::OpenReadStream(dir / "big.h4r");
  long pages = 0;
  std::ifstream("/proc/self/statm") >> pages;
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
  rlimit tight = old;
  tight.rlim_cur = static_cast<rlim_t>(pages) * sysconf(_SC_PAGESIZE) + (512u << 20);
  ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
  archive::EntryTable table(3);
  const archive::DirectoryReadResult r = archive::ReadDirectory(*stream, table);
  setrlimit(RLIMIT_AS, &old);
  EXPECT_TRUE(r.OutOfMemory && !r.Complete && table.empty());
}
#endif
