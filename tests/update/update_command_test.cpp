// tarnwick-cli update, driven as a user drives it: extract, edit, update.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sstream>

#include "tests/cli/cli_runner.h"
#include "tests/support/test_system.h"

namespace {

using testarchive::Archive;
using testarchive::Entry;
using testcli::RunCli;
using testcli::Tree;
using testcli::Unpacked;

std::string RandomBytes(std::mt19937& rng, size_t length) {
  // Runs of one byte among noise, so that deflate finds something to do.
  std::string bytes;
  while (bytes.size() < length)
    bytes.append(1 + rng() % 6, static_cast<char>(rng() % 4 == 0 ? rng() : 'a' + rng() % 3));
  bytes.resize(length);
  return bytes;
}

// An archive whose data does not lie as a writer of the format would put it:
// in another order than the directory, with unreferenced bytes between, some
// entries sharing another's data, empty entries, and two entries going to the
// same file; its directory in front of the data or behind it.
Archive RandomArchive(unsigned seed) {
  std::mt19937 rng(seed);
  const char* paths[] = {"", "a\\", "a\\b\\"};
  const size_t n = 4 + rng() % 10;
  Archive a{.DirectoryAtEnd = seed % 2 == 0};
  std::vector<std::string> own;  // the bytes each entry's record points at
  std::vector<size_t> slotOf;    // which directory slot's placed bytes hold them
  for (size_t k = 0; k < n; ++k) {
    Entry e = testarchive::MakeEntry("f" + std::to_string(k) + ".dat", paths[rng() % 3],
                                     RandomBytes(rng, rng() % 400), rng() % 2 ? 3 : 1);
    const bool empty = rng() % 6 == 0;
    if (empty) e.Data.clear();
    std::string bytes = empty                ? ""
                        : e.Compression == 3 ? testarchive::GzipMember(e.Data, rng() % 10)
                                             : e.Data;
    slotOf.push_back(k);
    if (k > 0 && rng() % 5 == 0) {
      const size_t other = rng() % k;
      e.Data = a.Entries[other].Data, e.Compression = a.Entries[other].Compression;
      bytes = own[other], slotOf[k] = slotOf[other];
    }
    if (k > 0 && rng() % 7 == 0) {
      const size_t other = rng() % k;
      e.Name = a.Entries[other].Name, e.Path = a.Entries[other].Path;
    }
    e.StoredSize = static_cast<int32_t>(bytes.size()), e.Size = static_cast<int32_t>(e.Data.size());
    a.Entries.push_back(e);
    own.push_back(bytes);
  }
  std::vector<size_t> order(n);
  for (size_t k = 0; k < n; ++k) order[k] = k;
  std::shuffle(order.begin(), order.end(), rng);
  // Slot s holds the bytes of entry order[s] (none when it shares another's), then spare bytes.
  for (size_t s = 0; s < n; ++s)
    a.Entries[s].Stored =
        (slotOf[order[s]] == order[s] ? own[order[s]] : "") + RandomBytes(rng, rng() % 3 * 5);
  // Data follows the header, or the directory, whose length the offsets do not change.
  size_t at = testarchive::Build(a).size();
  for (const Entry& e : a.Entries) at -= e.Stored->size();
  if (a.DirectoryAtEnd) at = 8;
  std::vector<uint32_t> position(n);
  for (size_t s = 0; s < n; ++s)
    position[order[s]] = static_cast<uint32_t>(at), at += a.Entries[s].Stored->size();
  for (size_t k = 0; k < n; ++k) a.Entries[k].Offset = position[slotOf[k]];
  return a;
}

testcli::Run Update(const Unpacked& u, std::vector<std::string> args, int status) {
  args.insert(args.begin(), "update");
  args.insert(args.end(), {u.Archive, u.Folder});
  const testcli::Run run = RunCli(args);
  EXPECT_EQ(run.Status, status) << run.Err;
  return run;
}

bool Says(const std::string& text, const std::string& words) {
  return text.find(words) != std::string::npos;
}

// The entry lines of list --json by their index field.
std::map<std::string, std::string> ListedEntries(const std::string& archive) {
  std::map<std::string, std::string> lines;
  std::istringstream in(RunCli({"list", "--json", archive}).Out);
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("{\"index\":"))
      lines[line.substr(0, line.find(','))] = line.substr(0, line.find('}'));
  }
  return lines;
}

TEST(UpdateCommand, EditedFilesReplaceTheirEntriesAndNothingElse) {
  for (unsigned seed = 1; seed <= 12; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const Archive a = RandomArchive(seed);
    // Without edits the archive stays byte for byte, in place or copied,
    // whichever paths the files were unpacked under.
    Unpacked u(a), formed(a, {});
    Update(formed, {"-o", formed.Scratch / "new.h4r"}, 0);
    Update(u, {"--stored-paths"}, 0);
    EXPECT_EQ(testarchive::ReadFileBytes(formed.Scratch / "new.h4r"), u.Bytes);
    EXPECT_EQ(testarchive::ReadFileBytes(u.Archive), u.Bytes);
    std::mt19937 rng(seed);
    std::map<std::string, size_t> writer;  // file -> the entry extract wrote it from
    for (size_t k = 0; k < a.Entries.size(); ++k) writer[u.File(a.Entries[k])] = k;
    std::set<std::string> edited;
    for (const auto& [file, k] : writer) {
      const Entry& e = a.Entries[k];
      if (e.StoredSize == 0 || rng() % 2) continue;
      const std::string content =
          e.Compression == 3 && rng() % 3 == 0 ? "" : RandomBytes(rng, 1 + rng() % 500);
      if (content == e.Data) continue;
      ASSERT_TRUE(testarchive::WriteFileBytes(file, content));
      edited.insert("{\"index\":" + std::to_string(k + 1));
    }
    ASSERT_TRUE(testarchive::WriteFileBytes(u.File({.Name = "stray.txt"}), "x"));
    const std::map<std::string, std::string> before = ListedEntries(u.Archive);

    const std::string summary = std::to_string(edited.size()) + " replaced, ";
    // A dry run names the unchanged files too; the stray file is named as not added.
    const testcli::Run dry = Update(u, {"--stored-paths", "--dry-run"}, 0);
    EXPECT_TRUE(Says(dry.Out, summary) &&
                (Says(dry.Out, "unchanged ") || Says(dry.Out, ", 0 unchanged")) &&
                Says(dry.Err, "not added ") && Says(dry.Err, "stray.txt"))
        << dry.Out << dry.Err;
    EXPECT_EQ(testarchive::ReadFileBytes(u.Archive), u.Bytes);
    const std::string level = std::to_string(rng() % 10), plain = u.Scratch / "plain.h4r";
    const testcli::Run out = Update(u, {"--stored-paths", "--level", level, "-o", plain}, 0);
    EXPECT_TRUE(Says(out.Out, summary) && Says(out.Out, " 1 not added")) << out.Out;
    // With --add the stray file becomes a new record, and every byte written
    // without it stays in place but the header's pointer to the new directory.
    const testcli::Run added = Update(u, {"--stored-paths", "--level", level, "--add"}, 0);
    EXPECT_TRUE(Says(added.Out, "added " + u.File({.Name = "stray.txt"})) &&
                Says(added.Out, " 1 added, 0 not added"))
        << added.Out;
    std::string withAdded = *testarchive::ReadFileBytes(u.Archive),
                without = *testarchive::ReadFileBytes(plain);
    withAdded.replace(4, 4, without.substr(4, 4));
    EXPECT_TRUE(withAdded.starts_with(without));

    // Extracted, the archive gives the edited folder back.
    const std::map<std::string, std::string> expected = Tree(u.Folder);
    const auto extracted = [&](const std::string& folder) {
      EXPECT_EQ(RunCli({"extract", "--keep-empty", "--stored-paths", u.Archive, folder}).Status, 0);
      return Tree(folder);
    };
    EXPECT_EQ(extracted(u.Scratch / "again"), expected);
    const std::map<std::string, std::string> after = ListedEntries(u.Archive);
    ASSERT_EQ(after.size(), before.size() + 1);
    EXPECT_EQ(after.at("{\"index\":" + std::to_string(after.size())).find("\"time\":0,"),
              std::string::npos);  // the file's time
    const std::regex fields("\"offset\":\\d+,\"stored_size\":\\d+,\"size\":\\d+");
    for (const auto& [index, line] : before) {
      const auto kept = [&](const std::string& l) {
        return edited.contains(index) ? std::regex_replace(l, fields, "") : l;
      };
      EXPECT_EQ(kept(after.at(index)), kept(line));
    }

    // Compaction drops the data the edits left behind, and only that: every
    // record keeps all but its offset, and the tree unpacks the same.
    const auto grown = std::filesystem::file_size(u.Archive);
    ASSERT_EQ(RunCli({"compact", u.Archive}).Status, 0);
    EXPECT_TRUE(edited.empty() ? std::filesystem::file_size(u.Archive) <= grown
                               : std::filesystem::file_size(u.Archive) < grown);
    const std::regex offset("\"offset\":\\d+");
    const std::map<std::string, std::string> compacted = ListedEntries(u.Archive);
    for (const auto& [index, line] : after) {
      EXPECT_EQ(std::regex_replace(compacted.at(index), offset, ""),
                std::regex_replace(line, offset, ""));
    }
    EXPECT_EQ(extracted(u.Scratch / "compacted"), expected);
  }
}

TEST(UpdateCommand, AFailureLeavesTheArchiveAsItWasAndNoFileBehind) {
  const Archive a = {.Entries = {testarchive::MakeEntry("one.txt", "", "first", 3),
                                 testarchive::MakeEntry("two.txt", "", "second", 1),
                                 testarchive::MakeEntry("three.txt", "", "third", 3)}};
  // A folder where a file or the new archive should be, or a new file for an
  // archive without the signature that a header pointing at a new directory
  // needs, fail the update (1); the last entry's data or the directory cut
  // short leave no archive to update (2).
  enum Spoil { FolderAtFile, FolderAtNewArchive, NoSignature, DataCut, DirectoryCut };
  for (const Spoil spoil : {FolderAtFile, FolderAtNewArchive, NoSignature, DataCut, DirectoryCut}) {
    SCOPED_TRACE(spoil);
    Unpacked u(a);
    // One edit, so that every run has something to write.
    ASSERT_TRUE(testarchive::WriteFileBytes(u.File(a.Entries[0]), "edited"));
    std::string archive = u.Bytes;
    if (spoil == DataCut) archive.pop_back();
    if (spoil == DirectoryCut) archive.resize(30);
    if (spoil == NoSignature) {
      archive[0] = 'X';
      ASSERT_TRUE(testarchive::WriteFileBytes(u.File({.Name = "new"}), ""));
    }
    ASSERT_TRUE(testarchive::WriteFileBytes(u.Archive, archive));
    const std::string newArchive = u.Scratch / "new.h4r";
    if (spoil == FolderAtFile) {
      std::filesystem::remove(u.File(a.Entries[1]));
      std::filesystem::create_directory(u.File(a.Entries[1]));
    }
    if (spoil == FolderAtNewArchive) std::filesystem::create_directory(newArchive);
    std::vector<std::vector<std::string>> runs = {{"-o", newArchive, "--add"}};
    if (spoil != FolderAtNewArchive) runs.push_back({"--add"});
    for (const std::vector<std::string>& options : runs) {
      Update(u, options, spoil < DataCut ? 1 : 2);
      EXPECT_EQ(testarchive::ReadFileBytes(u.Archive), archive);
      for (const auto& [name, content] : Tree(u.Scratch.Path()))
        EXPECT_TRUE(name.starts_with("out/") || name == "a.h4r" || name == "new.h4r/") << name;
    }
  }
}

// A disk that fills up while the new archive is written: the archive in
// place stays as it was, and the temporary file goes.
TEST(UpdateCommand, AFullDiskLeavesTheArchiveAsItWas) {
  // Mounted on the build machine, whose root is Wine's drive Z:.
  const std::string full = std::string(testsystem::UnderWine() ? "Z:" : "") + TARNWICK_FAULT_MOUNTS;
  if (!std::filesystem::exists(full + "/ready")) GTEST_SKIP() << "no 1 MiB file system is mounted";
  const Archive a = {
      .Entries = {testarchive::MakeEntry("big.dat", "", std::string(600 << 10, 'o'))}};
  Unpacked u(a);
  ASSERT_TRUE(testarchive::WriteFileBytes(u.File(a.Entries[0]), std::string(600 << 10, 'n')));
  // Another test's files go first.
  for (const auto& left : std::filesystem::directory_iterator(full + "/full"))
    std::filesystem::remove_all(left.path());
  u.Archive = full + "/full/a.h4r";
  ASSERT_TRUE(testarchive::WriteFileBytes(u.Archive, u.Bytes));
  EXPECT_NE(Update(u, {}, 1).Err, "");
  EXPECT_EQ(testarchive::ReadFileBytes(u.Archive), u.Bytes);
  EXPECT_EQ(Tree(full + "/full").size(), 1u);
  std::filesystem::remove(u.Archive);
}

// Two different strings of one length with one CRC-32: a check by size and
// checksum alone would take one for the other.
std::pair<std::string, std::string> CrcTwins() {
  // A birthday search: some 2^16 random strings before two share a checksum.
  std::mt19937 rng(7);
  std::map<uint32_t, std::string> seen;
  for (;;) {
    std::string text(16, '\0');
    for (char& c : text) c = static_cast<char>('a' + rng() % 26);
    const auto [at, inserted] = seen.emplace(testarchive::Crc32(text), text);
    if (!inserted && at->second != text) return {at->second, text};
  }
}

// An edit is told from the entry's data by its bytes: a twin of the data
// replaces it, stored or compressed. An alias yields its target's data: an
// edit of the target reaches it, an edit in its own place is refused with the
// target named, and so is one of an empty entry, whose record holds no data.
// The directory behind the data stays where it is, and so does the header.
TEST(UpdateCommand, AnEditIsToldByItsBytesAndReachesTheAliases) {
  const auto [original, twin] = CrcTwins();
  const Archive a = {.DirectoryAtEnd = true,
                     .Entries = {testarchive::MakeEntry("a.txt", "p\\", original, 3),
                                 Entry{.Name = "b.txt", .Path = "p\\", .Alias = "A.TXT"},
                                 testarchive::MakeEntry("c.txt", "p\\", original, 1),
                                 Entry{.Name = "d.txt", .StoredSize = 0}}};
  Unpacked u(a);
  ASSERT_TRUE(testarchive::WriteFileBytes(u.File(a.Entries[0]), twin));
  ASSERT_TRUE(testarchive::WriteFileBytes(u.File(a.Entries[2]), twin));
  EXPECT_TRUE(Says(Update(u, {"--stored-paths"}, 0).Out, "2 replaced, "));
  const std::string updated = *testarchive::ReadFileBytes(u.Archive);
  EXPECT_EQ(updated.substr(0, 8), u.Bytes.substr(0, 8));
  for (const char* entry : {"p\\b.txt", "p\\c.txt"})
    EXPECT_EQ(RunCli({"print", "--stored-paths", u.Archive, entry}, true).Out, twin) << entry;

  for (const Entry& e : {a.Entries[1], a.Entries[3]})
    ASSERT_TRUE(testarchive::WriteFileBytes(u.File(e), "mine"));
  const testcli::Run refused = Update(u, {"--stored-paths"}, 0);
  EXPECT_TRUE(Says(refused.Err, "b.txt: it is an alias of A.TXT; edit " + u.File(a.Entries[0])) &&
              Says(refused.Err, "d.txt: "))
      << refused.Err;
  EXPECT_EQ(testarchive::ReadFileBytes(u.Archive), updated);
}

}  // namespace
