#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/cli_runner.h"
#include "tests/extract/file_names.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

using testarchive::Archive;
using testarchive::Entry;
using testcli::RunCli;

namespace {

// Every file and folder below `folder`, each file with its whole content.
std::string TreeWithContents(const std::string& folder) {
  std::istringstream names(testextract::Listing(folder));
  std::string out;
  for (std::string name; std::getline(names, name);) {
    out += name;
    if (const auto bytes = testextract::ReadBack(folder + "/" + name)) {
      out += " = " + std::to_string(bytes->size()) + ":" + *bytes;
    }
    out += "\n";
  }
  return out;
}

std::string SortedLines(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  std::string out;
  for (const std::string& line : lines) out += line + "\n";
  return out;
}

// Spellings that one file system or another takes for the same file or
// folder: case pairs, Latin and Cyrillic ("Папка" and "папка" in code page
// 1251), trailing dots and spaces, a long name and its short aliases
// (Windows' and Wine's: four letters, "~" and a hash), and "x" against the
// folder x of "x.y.z".
const std::string kFolderUpper = "\xCF\xE0\xEF\xEA\xE0", kFolderLower = "\xEF\xE0\xEF\xEA\xE0";
const std::string kWineAlias = "LONG~YDW";
const std::string kPieces[] = {"x",          "X",        "x ",         "y",
                               "y.z",        "Y.Z",      kFolderUpper, kFolderLower,
                               "longfolder", "LONGFO~1", kWineAlias};

Entry Content(std::mt19937& gen, std::string name, std::string path, size_t size) {
  Entry e = testarchive::MakeEntry(std::move(name), std::move(path), "");
  const char first = static_cast<char>('a' + gen() % 26);
  for (size_t k = 0; k < size; ++k) e.data += static_cast<char>(first + gen() % 4);
  const unsigned kind = gen() % 12;
  e.compression = kind < 5 ? 1 : kind < 11 ? 3 : 0;  // 0 leaves an existing file as it is
  if (size == 0) e.storedSize = 0;
  if (e.compression == 3 && size > 0 && gen() % 6 == 0) {
    std::string member = testarchive::GzipMember(e.data, 1);
    switch (gen() % 3) {
      case 0:  // in the deflate data
        member[10 + (member.size() - 18) / 2] ^= 0x55;
        break;
      case 1:  // the trailer's CRC-32
        member[member.size() - 6] ^= 0x01;
        break;
      default:  // more than the data holds
        e.size = static_cast<int32_t>(size + 7);
    }
    e.stored = member;
  }
  return e;
}

// A small archive whose names collide in all those ways; some entries big
// enough to keep a reader busy while the writer passes others.
Archive Colliding(unsigned seed, bool storedPaths) {
  std::mt19937 gen(seed);
  auto piece = [&] { return kPieces[gen() % std::size(kPieces)]; };
  auto ending = [&] {
    const char* endings[] = {"", "", "", ".", " ", ". "};
    return std::string(endings[gen() % 6]);
  };
  Archive a;
  const unsigned count = 4 + gen() % 12;
  for (unsigned k = 0; k < count; ++k) {
    std::string name, path;
    if (storedPaths) {
      for (unsigned depth = gen() % 3; depth > 0; --depth) {
        path += (path.empty() ? "" : "\\") + piece() + ending();
      }
      name = piece() + ending();
    } else {
      for (unsigned parts = 1 + gen() % 3; parts > 0; --parts) {
        name += (name.empty() ? "" : ".") + piece();
      }
      name += ending();
    }
    const unsigned band = gen() % 10;
    const size_t size = band == 0  ? 0
                        : band < 5 ? gen() % 64
                        : band < 8 ? gen() % 5000
                                   : 150000 + gen() % 900000;
    a.entries.push_back(Content(gen, name, path, size));
  }
  return a;
}

// The cases that went wrong when entries were spread over threads by name:
// a file and a folder of one name, a long name and its short aliases, and
// Cyrillic case pairs, each with the later entry large, so that it started
// first.
Archive KnownCollisions() {
  std::mt19937 gen(7);
  const std::string big(900000, 'b');
  Archive a;
  auto add = [&](const std::string& name, const std::string& data) {
    a.entries.push_back(testarchive::MakeEntry(name, "", data, gen() % 2 ? 1 : 3));
  };
  add("a", "file a");
  add("a.y.z", big);
  add("B.y.z", "in folder B");
  add("b", big);
  add("longfolder.t.txt", "long");
  add("LONGFO~1.t.txt", big);
  add(kWineAlias + ".t.txt", big + "w");
  add(kFolderLower, "file");
  add(kFolderUpper + ".c.txt", big);
  add("f.", "dot");
  add("f", big);
  return a;
}

unsigned Rounds() {
  if (const char* text = std::getenv("TARNWICK_JOBS_ROUNDS")) {
    return static_cast<unsigned>(std::atoi(text));
  }
#ifdef _WIN32
  return 10;  // each run of the program under Wine takes a while
#else
  return 40;
#endif
}

}  // namespace

TEST(CliExtractJobs, SeveralThreadsLeaveExactlyWhatOneThreadLeaves) {
  testarchive::TempFolder dir;
  const std::string archive = dir / "a.h4r";
  const std::string out = dir / "out";
  const unsigned rounds = std::max(1u, Rounds());
  unsigned differing = 0;
  for (unsigned round = 0; round < rounds && differing < 3; ++round) {
    const bool storedPaths = round % 3 == 2;
    const bool keepEmpty = round % 4 != 3;
    ASSERT_TRUE(testarchive::WriteFileBytes(
        archive,
        testarchive::Build(round == 0 ? KnownCollisions() : Colliding(round, storedPaths))));
    std::vector<std::string> args = {"extract", "--jobs", "1", archive, out};
    if (storedPaths) args.insert(args.begin() + 1, "--stored-paths");
    if (keepEmpty) args.insert(args.begin() + 1, "--keep-empty");
    // One output folder for both, so that the reports name the same files.
    struct Result {
      testcli::Run run;
      std::string listing, tree;
    };
    auto extract = [&](const char* jobs) {
      args[args.size() - 3] = jobs;
      testcli::Run run = RunCli(args);
#ifdef _WIN32
      // Under Wine the shell now and then fails to start the program at all
      // (no status, or cmd's 9009): such a run tells nothing, so it is made again.
      for (int again = 0; again < 3 && (run.Status == -1 || run.Status == 9009); ++again) {
        std::filesystem::remove_all(testextract::FsPath(out));
        run = RunCli(args);
      }
#endif
      Result r{run, testextract::Listing(out), TreeWithContents(out)};
      std::filesystem::remove_all(testextract::FsPath(out));
      return r;
    };
    const Result one = extract("1");
    const Result four = extract("4");

    EXPECT_NE(one.listing, "") << "round " << round;
    const bool same = one.run.Status == four.run.Status && one.run.Out == four.run.Out &&
                      SortedLines(one.run.Err) == SortedLines(four.run.Err) &&
                      one.tree == four.tree;
    EXPECT_TRUE(same) << "round " << round << (storedPaths ? " --stored-paths" : "")
                      << "\n--jobs 1: " << one.run.Status << "\n"
                      << one.run.Out << one.run.Err << one.listing
                      << "\n--jobs 4: " << four.run.Status << "\n"
                      << four.run.Out << four.run.Err << four.listing;
    differing += same ? 0 : 1;
  }
  EXPECT_EQ(RunCli({"extract", "--jobs", "0", "x.h4r"}).Status, 2);
  EXPECT_EQ(RunCli({"extract", "--jobs", "many", "x.h4r"}).Status, 2);
}
