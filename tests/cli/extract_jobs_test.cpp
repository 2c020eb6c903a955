#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

#include "archive/directory_reader.h"
#include "cli/extract_jobs.h"
#include "tests/cli/cli_runner.h"

namespace {

// Spellings that one file system or another takes for the same file or
// folder: case pairs, Latin and Cyrillic ("Папка" and "папка" in code page
// 1251), trailing dots and spaces, a long name and its short aliases
// (Windows' and Wine's), and "x" against the folder x of "x.y.z".
// clang-format off
const std::string kPieces[] = {"x", "X", "x ", "y", "y.z", "Y.Z", "\xCF\xE0\xEF\xEA\xE0",
                               "\xEF\xE0\xEF\xEA\xE0", "longfolder", "LONGFO~1", "LONG~YDW"};
// The cases that went wrong when entries were spread over threads by name,
// each later entry large, so that it started first.
const char* kKnown[] = {"a", "a.y.z", "B.y.z", "b", "longfolder.t.txt", "LONGFO~1.t.txt", "x",
                        "LONG~YDW.t.txt", "\xEF\xE0\xEF\xEA\xE0", "\xCF\xE0\xEF\xEA\xE0.c.txt",
                        "f.", "f"};
// Sizes up to: empty, small, middling, big enough to keep a reader busy.
const size_t kLimits[] = {1, 64, 64, 64, 64, 5000, 5000, 5000, 1000000, 1000000};
// clang-format on

// Names that collide in all those ways, with random content: stored,
// compressed (now and then damaged) or under the code that leaves an
// existing file as it is; some entries big enough to keep a reader busy
// while the writer passes others.
testarchive::Archive Colliding(unsigned round, bool storedPaths) {
  std::mt19937 gen(round);
  if (round % 5 == 4) {
    // Folders of their own, so that readers make them ahead of the writer
    // (held back by the first entry); each tenth entry refused for a device
    // name in its path, each tenth from the fifth empty, before any folder.
    testarchive::Archive a{
        .Entries = {testarchive::MakeEntry("big", "", std::string(1 << 23, 'b'))}};
    for (unsigned k = 0; k < 90; ++k) {
      const std::string own = "d" + std::to_string(k) + (k % 10 == 3 ? ".aux" : ".e");
      testarchive::Entry e =
          testarchive::MakeEntry(own + ".f", "", std::string(1 + gen() % 5000, 'c'), k % 2 ? 3 : 1);
      if (storedPaths) e.Name = "f", e.Path = own;
      std::replace(e.Path.begin(), e.Path.end(), '.', '\\');
      if (k % 10 == 5) e.Data.clear();
      a.Entries.push_back(e);
    }
    return a;
  }
  auto piece = [&] {
    const char* endings[] = {"", "", "", ".", " ", ". "};
    return kPieces[gen() % std::size(kPieces)] + endings[gen() % 6];
  };
  testarchive::Archive a;
  for (size_t k = 0, count = round == 0 ? std::size(kKnown) : 4 + gen() % 12; k < count; ++k) {
    testarchive::Entry e{.Name = round == 0 ? kKnown[k] : piece()};
    for (unsigned depth = round == 0 ? 0 : gen() % 3; depth > 0; --depth) {
      (storedPaths ? e.Path : e.Name) += (storedPaths ? "\\" : ".") + piece();
    }
    const size_t limit = kLimits[gen() % 10],
                 size = round == 0 ? (k % 2 ? 900000 : 6) : gen() % limit;
    e.Data.resize(size);
    for (char& c : e.Data) c = static_cast<char>('a' + gen() % 4);
    const unsigned kind = gen() % 12;
    e.Compression = kind < 5 ? 1 : kind < 11 ? 3 : 0;
    if (size == 0) e.StoredSize = 0;
    if (e.Compression == 3 && size > 0 && gen() % 6 == 0) {
      // Damaged: the deflate data, the CRC-32, or a size beyond the data.
      e.Stored = testarchive::GzipMember(e.Data, 1);
      const size_t damage = gen() % 3, middle = 10 + (e.Stored->size() - 18) / 2;
      if (damage < 2) (*e.Stored)[damage == 0 ? middle : e.Stored->size() - 6] ^= 0x55;
      if (damage == 2) e.Size = static_cast<int32_t>(size + 7);
    }
    a.Entries.push_back(e);
  }
  // Last, one that keeps a reader busy until the writer waits for it.
  if (!round) a.Entries.push_back(testarchive::MakeEntry("z", "", std::string(1 << 25, 'z'), 3));
  return a;
}

}  // namespace

TEST(CliExtractJobs, SeveralThreadsLeaveExactlyWhatOneThreadLeaves) {
  testarchive::TempFolder dir;
  const std::string archive = dir / "a.h4r", out = dir / "out";
  const char* rounds = std::getenv("TARNWICK_JOBS_ROUNDS");
  const int count = rounds != nullptr ? std::atoi(rounds) : 40;
  for (int round = 0; round < std::max(count, 1) && !HasFailure(); ++round) {
    const bool storedPaths = round % 3 == 2;
    ASSERT_TRUE(
        testarchive::WriteFileBytes(archive, testarchive::Build(Colliding(round, storedPaths))));
    std::vector<std::string> args = {"extract", "--jobs", "1", archive, out};
    if (storedPaths) args.insert(args.begin() + 1, "--stored-paths");
    if (round % 4 != 3) args.insert(args.begin() + 1, "--keep-empty");
    std::string seen[2];  // one output folder for both, so that the reports name the same files
    for (const int jobs : {1, 4}) {
      args[args.size() - 3] = std::to_string(jobs);
      const testcli::Run run = testcli::RunCli(args);
      std::string& result = seen[jobs / 4] = std::to_string(run.Status) + "\n" + run.Out + run.Err;
      for (const auto& [name, content] : testcli::Tree(out)) {
        result += name + " " + std::to_string(testarchive::Crc32(content)) + "\n";
      }
      std::filesystem::remove_all(out);
    }
    EXPECT_EQ(seen[0], seen[1]) << "round " << round << (storedPaths ? " --stored-paths" : "");
  }
}

// A reader left waiting for room, with its entry taken by the writer, is let
// go at the end. The writer lingers over the first entry so that the readers
// take the second and wait for room for the third, which is never made: not
// enough is freed to wake them, and the writer reads the third itself.
TEST(CliExtractJobs, ReadersWaitingForRoomAreLetGoAtTheEnd) {
  testarchive::Archive a;
  for (const size_t size : {5, 600, 800})
    a.Entries.push_back(testarchive::MakeEntry("e", "", std::string(size, 'e')));
  testarchive::TempFolder dir;
  ASSERT_TRUE(testarchive::WriteFileBytes(dir / "a.h4r", testarchive::Build(a)));
  archive::EntryTable table;
  const io::fs::FileHandle file = io::fs::OpenFile(dir / "a.h4r", io::fs::kReadStreamFlags);
  const io::StreamPtr stream = io::ReadStreamOnHandle(file, true);
  archive::ReadDirectory(*stream, table);
  uint64_t total = 0;
  cli::UnpackEntries(file, table, {0, 1, 2}, 2,
                     [&](size_t i, const extract::UnpackedData* d) {
                       if (i == 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
                       total += io::StreamSize(*d->Bytes);
                     },
                     {.Budget = 1000, .Window = 3});
  EXPECT_EQ(total, 1405u);
}
