// Hostile and broken archives, unpacked by tarnwick-cli as a user would run
// it: the exit status, every file written and every line reported are
// checked, and nothing may appear outside the output folder.
#include <gtest/gtest.h>
#include <zlib.h>

#include "tests/cli/cli_runner.h"
#include "tests/support/test_system.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

using testarchive::Entry;
using testarchive::MakeEntry;

TEST(HostileArchive, NothingLandsOutsideAndEveryLieIsReported) {
  // Stored paths ("p") and names ("n") that are refused, by the words of the refusal.
  // clang-format off
  const std::tuple<char, std::string, std::vector<std::string>> refusals[] = {
      {'p', "not written: its path climbs out of the output folder",
       {"..", "..\\..\\..\\..", "sub\\..\\..\\..\\..\\up", "a\\b\\..\\..\\..", "../../../..",
        "a/../../../../up", "a\\../..\\../..", "C:\\..\\..\\..\\..", "\\\\\\..\\..\\..\\..",
        "\\C:..\\..\\..\\..", "C:/../../../..", "/../../../.."}},
      {'p', "not written: its path has a folder named only by dots", {"a\\. .\\b", "..."}},
      {'p', "its path has a folder name with a char", {"\\\\?\\C:\\up", "ab:c", "d\tir"}},
      {'n', "not written: its name contains a slash", {"..\\..\\n1", "../../n2", "/etc/passwd"}},
      {'n', "cannot be a file name", {"..", ". ."}},
      {'n', "not written: its name contains a character",
       {"a<b", "a>b", "a:b", "q\"q", "p|p", "what?", "*.*", "\x1b[2J\x1b]0;owned\x07",
        "line\nbreak", std::string("nul\0byte", 8)}},
      {'n', "not written: its name is empty", {""}}};
  // clang-format on
  const std::string text(64, 'g'), member = testarchive::GzipMember(text);
  std::string badCrc = member, badBlock = member;
  badCrc[badCrc.size() - 8] ^= 0x40;
  badBlock[10] |= 0x06;  // a block type deflate does not have
  // Beside them: names and paths that only look dangerous, data that lies,
  // and entries that collide.
  // clang-format off
  testcli::ExtractCase stored{
      .Title = "stored paths and names",
      .Archive = {.Entries = {
          MakeEntry("CONSOLE.txt", "", "1"), MakeEntry("ok", "D:\\Games", "2"),
          MakeEntry("ok", "\\\\server\\share", "3"), MakeEntry("ok", "\\E:\\x", "4"),
          MakeEntry("ok", "C:", "5"), MakeEntry("ok", "/tmp/tarnwick-probe", "6"),
          MakeEntry("root", "/", "7"), MakeEntry("ok", "a\\.\\b", "8"),
          Entry{.Name = "small", .Compression = 3, .Stored = member.substr(0, 10), .Size = 0},
          Entry{.Name = "crc", .Data = text, .Compression = 3, .Stored = badCrc},
          Entry{.Name = "block", .Data = text, .Compression = 3, .Stored = badBlock},
          Entry{.Name = "negative", .Data = "x", .StoredSize = -16},
          Entry{.Name = "negsize", .Data = "x", .Compression = 3, .Size = -1},
          MakeEntry("same", "", "the first, longer"), MakeEntry("same", "", "second"),
          MakeEntry("f", "C:\\dir", "1"), MakeEntry("f", "\\\\C\\dir", "2"),
          MakeEntry("inner", "x", "in"), MakeEntry("x", "", "X"),
          MakeEntry("sub", "", "level"), MakeEntry("y", "sub\\deeper", "Y")}},
      .Options = {"--stored-paths", "--keep-empty"},
      .Status = 1,
      .Files = {"CONSOLE.txt=1", "D/Games/ok=2", "server/share/ok=3", "E/x/ok=4", "C/ok=5",
                "tmp/tarnwick-probe/ok=6", "root=7", "a/b/ok=8", "crc=" + text,
                "block=" + std::string(64, '\0'), "same=second", "C/dir/f=2", "x/inner=in",
                "sub=level"},
      .Failures = {"small -> not written: its 10 bytes of compressed data are too few",
                   "crc -> damaged: CRC-32 mismatch", "block -> damaged: damaged compressed data (",
                   "negative -> not written: its stored size is negative (-16)",
                   "negsize -> not written: its unpacked size is negative (-1)",
                   "x -> not written: cannot create the file",
                   "y -> deeper" + std::string(1, testarchive::Separator()) +
                       "y: not written: cannot create folder"}};
  // clang-format on
  for (const auto& [kind, words, items] : refusals) {
    for (std::string item : items) {
      const std::string name = kind == 'p' ? "p" + std::to_string(stored.Failures.size()) : item;
      stored.Archive.Entries.push_back(MakeEntry(name, kind == 'p' ? item : "", "x"));
      for (char& c : item) c = static_cast<unsigned char>(c) < 0x20 ? '?' : c;
      stored.Failures.push_back((kind == 'p' ? name : item) + " -> " + words);
    }
  }
  testcli::CheckExtract(stored);
}

// A disk that fills up costs the entries that do not fit, not the others:
// what a failed write left is removed, so that the next entry finds room.
TEST(HostileArchive, AFullDisk) {
  // Mounted on the build machine, whose root is Wine's drive Z:.
  const std::string full = std::string(testsystem::UnderWine() ? "Z:" : "") + TARNWICK_FAULT_MOUNTS;
  if (!std::filesystem::exists(full + "/ready")) GTEST_SKIP() << "no 1 MiB file system is mounted";
  const std::string first(300 << 10, 'f'), last(300 << 10, 'l'), big(2 << 20, 'b');
  testcli::CheckExtract(
      {.Title = "a full disk",
       .Archive = {.Entries = {MakeEntry("first", "", first), MakeEntry("big", "", big),
                               MakeEntry("big.gz", "", big, 3), MakeEntry("last", "", last)}},
       .Options = {"--jobs", "1"},
       .Status = 1,
       .Files = {"first=" + first, "last=" + last},
       .Failures = {"big -> writing failed after", "big.gz -> writing failed after"}},
      full + "/full");
}

// 1 GiB of zeros in 1 MiB of compressed data under a Size of 256 MiB: the
// program writes 256 MiB, no more, reports the entry, and never holds the
// output in memory.
TEST(HostileArchive, ACompressionBombWritesSizeBytesAndNoMore) {
  // A fully flushed deflate chunk refers to nothing before it, so it can be
  // repeated; an empty final block ends the stream. Entries before it let
  // a reading thread get to it before the writing one.
  std::string zeros(1 << 20, '\0'), chunk = zeros, member("\x1f\x8b\x08\0\0\0\0\0\0\xff", 10);
  z_stream z{.next_in = reinterpret_cast<Bytef*>(zeros.data()),
             .avail_in = 1 << 20,
             .next_out = reinterpret_cast<Bytef*>(chunk.data()),
             .avail_out = 1 << 20};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  deflate(&z, Z_FULL_FLUSH);
  deflateEnd(&z);
  for (int k = 0; k < 1024; ++k) member.append(chunk, 0, chunk.size() - z.avail_out);
  member += std::string("\x03\0\0\0\0\0\0\0\0\x40", 10);  // the end, CRC-32 0, length 1 GiB
  testarchive::Archive archive;
  for (int k = 0; k < 50; ++k) archive.Entries.push_back(MakeEntry(std::to_string(k), "", "b"));
  archive.Entries.push_back({.Name = "bomb", .Compression = 3, .Stored = member, .Size = 1 << 28});
  testarchive::TempFolder room;
  ASSERT_TRUE(testarchive::WriteFileBytes(room / "bomb.h4r", testarchive::Build(archive)));
  const testcli::Run run = testcli::RunCli({"extract", room / "bomb.h4r", room / "out"});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Err.find("268435456 differs from the gzip trailer's 1073741824"), std::string::npos)
      << run.Err;
  EXPECT_EQ(std::filesystem::file_size(room / "out/bomb"), uintmax_t{256} << 20);
#ifndef _WIN32
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  EXPECT_LT(usage.ru_maxrss, 128 * 1024) << "peak resident KiB of the program";
#endif
}
