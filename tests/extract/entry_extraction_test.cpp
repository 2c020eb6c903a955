#include <gtest/gtest.h>


#include <filesystem>
#include <random>

#include "archive/directory_reader.h"
#include "archive/path_formation.h"
#include "extract/entry_extraction.h"
#include "tests/extract/file_names.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

#ifndef _WIN32
#include <unistd.h>
#endif

using extract::ExtractEntry;
using extract::ExtractOutcome;
using extract::ExtractStatus;
using testarchive::Archive;
using testarchive::Entry;
using testextract::Listing;
using testextract::ReadBack;

using testarchive::MakeEntry;
using archive::EntryTable;
using archive::FormPaths;
using archive::PathMode;
using archive::ReadDirectory;
namespace {


// An archive written to a file, its directory read, and an output folder.
struct Unpacking {
  testarchive::TempFolder dir;
  std::string out = dir.Path() + "\\out";
  EntryTable table;
  kol::StreamPtr archive;

  explicit Unpacking(const Archive& a, PathMode mode = PathMode::Stored, size_t cutTo = 0) {
    std::string bytes = testarchive::Build(a);
    if (cutTo > 0) bytes.resize(cutTo);
    EXPECT_TRUE(testarchive::WriteFileBytes(dir / "archive.h4r", bytes));
    std::filesystem::create_directory(testextract::FsPath(out));
    archive = kol::OpenReadStream(dir / "archive.h4r");
    ReadDirectory(*archive, table);
    if (mode == PathMode::FromNames) FormPaths(table);
  }
  ExtractOutcome Extract(size_t k) { return ExtractEntry(*archive, table.at(k), out); }
  std::string File(const std::string& relative) { return ReadBack(out + "\\" + relative).value_or("<none>"); }
};

std::string Text(size_t n, unsigned seed) {
  std::mt19937 gen(seed);
  const char* words[] = {"castle ", "dragon ", "gold ", "\xE7\xEE\xEB\xEE\xF2\xEE ", "mage ", "\n"};
  std::string s;
  while (s.size() < n) s += words[gen() % 6];
  s.resize(n);
  return s;
}

}  // namespace

TEST(ExtractEntry, PathsAreShortenedInTheTableAndJoinedOntoTheFolder) {
  Archive a;
  a.entries = {MakeEntry("a.txt", "", "A"),
               MakeEntry("b.txt", "\\\\layers\\button", "B"),
               MakeEntry("c.txt", "E:\\Heroes 4\\Assets", "C"),
               MakeEntry("d.txt", "\\E:\\x", "D"),
               MakeEntry("e.txt", "\\\\\\", "E"),
               MakeEntry("\xF2\xE0\xE1.txt", "\xEF\xE0\xEF\xEA\xE0\\", "F", 3)};
  Unpacking u(a);
  for (size_t k = 0; k < u.table.size(); ++k) {
    const ExtractOutcome o = u.Extract(k);
    EXPECT_EQ(o.Status, ExtractStatus::Written) << k << " " << int(o.Kind);
  }
  EXPECT_EQ(u.table[1].Path, "layers\\button");
  EXPECT_EQ(u.table[2].Path, "E\\Heroes 4\\Assets");
  EXPECT_EQ(u.table[3].Path, "E\\x");
  EXPECT_EQ(u.table[4].Path, "");
  EXPECT_EQ(Listing(u.out),
            "E\nE/Heroes 4\nE/Heroes 4/Assets\nE/Heroes 4/Assets/c.txt\nE/x\nE/x/d.txt\na.txt\ne.txt\n"
            "layers\nlayers/button\nlayers/button/b.txt\nпапка\nпапка/таб.txt\n");
  EXPECT_EQ(u.File("layers\\button\\b.txt"), "B");
  EXPECT_EQ(u.File("папка\\таб.txt"), "F");
  EXPECT_EQ(u.Extract(0).Destination, u.out + "\\a.txt");

  // With a trailing backslash on the folder the same file is written.
  u.out += "\\";
  const ExtractOutcome again = u.Extract(1);
  EXPECT_EQ(again.Status, ExtractStatus::Written);
  EXPECT_EQ(again.Destination, u.out + "\\layers\\button\\b.txt");
  EXPECT_EQ(ReadBack(again.Destination), "B");
}

TEST(ExtractEntry, ReplacesFilesAndHonoursTheCompressionCode) {
  Archive a;
  Entry emptyStored = MakeEntry("empty.bin", "", "");
  emptyStored.storedSize = 0;
  Entry noCode = MakeEntry("nocode.bin", "", "lost");
  noCode.tailMarker = 1;  // no compression code: 0
  Entry noCodeEmpty = MakeEntry("nocode-empty.bin", "", "");
  noCodeEmpty.tailMarker = 1;
  noCodeEmpty.storedSize = 0;
  Entry emptyCompressed = MakeEntry("empty.z", "", "", 3);
  emptyCompressed.storedSize = 0;
  emptyCompressed.size = 0;
  a.entries = {MakeEntry("stored.bin", "", "short"), MakeEntry("abc.txt", "", "abc", 3),
               emptyStored, noCode, noCodeEmpty, MakeEntry("odd.bin", "", "data", 7), emptyCompressed};
  Unpacking u(a);
  for (const char* name : {"stored.bin", "abc.txt", "empty.bin", "nocode.bin", "nocode-empty.bin"}) {
    ASSERT_TRUE(testarchive::WriteFileBytes(testextract::SystemName(u.out + "\\" + name),
                                            "a much longer earlier content"));
  }
  for (int pass = 0; pass < 2; ++pass) {
    EXPECT_EQ(u.Extract(0).Status, ExtractStatus::Written);
    EXPECT_EQ(u.File("stored.bin"), "short");
    EXPECT_EQ(u.Extract(1).Status, ExtractStatus::Written);
    EXPECT_EQ(u.File("abc.txt"), "abc");
    EXPECT_EQ(u.Extract(2).Status, ExtractStatus::Written);
    EXPECT_EQ(u.File("empty.bin"), "");
  }
  // No code: an existing file keeps its content; the data it had is reported lost.
  const ExtractOutcome lost = u.Extract(3);
  EXPECT_EQ(lost.Status, ExtractStatus::NotWritten);
  EXPECT_EQ(lost.Kind, extract::Problem::NoCompressionCode);
  EXPECT_EQ(u.File("nocode.bin"), "a much longer earlier content");
  EXPECT_EQ(u.Extract(4).Status, ExtractStatus::Written);
  EXPECT_EQ(u.File("nocode-empty.bin"), "a much longer earlier content");
  // A missing file is created empty.
  const ExtractOutcome odd = u.Extract(5);
  EXPECT_EQ(odd.Kind, extract::Problem::UnknownCompression);
  EXPECT_EQ(odd.Value, 7);
  EXPECT_EQ(u.File("odd.bin"), "");
  EXPECT_EQ(u.Extract(6).Status, ExtractStatus::Written);
  EXPECT_EQ(u.File("empty.z"), "");
}

TEST(ExtractEntry, NothingIsCreatedOutsideTheOutputFolder) {
  Archive a;
  a.entries = {MakeEntry("x1", "..", "1"),
               MakeEntry("x2", "a\\..\\..\\up", "2"),
               MakeEntry("x3", "a/../../up", "3"),
               MakeEntry("x4", "\\..\\", "4"),
               MakeEntry("x5", "ok\\. .\\x", "5"),
               MakeEntry("..", "", "6"),
               MakeEntry(".", "p", "7"),
               MakeEntry("", "p", "8"),
               MakeEntry("a/b", "", "9"),
               MakeEntry("..\\up", "", "10"),
               MakeEntry("..", "q", "11"),
               MakeEntry("...", "", "12")};
  Unpacking u(a);
  for (size_t k = 0; k < u.table.size(); ++k) {
    const ExtractOutcome o = u.Extract(k);
    EXPECT_EQ(o.Status, ExtractStatus::NotWritten) << k;
    EXPECT_NE(o.Kind, extract::Problem::None) << k;
  }
  EXPECT_EQ(Listing(u.dir.Path()), "archive.h4r\nout\n");

  // Dotted names become folders without ever forming "..".
  Archive dotted;
  dotted.entries = {MakeEntry("...evil.txt", "", "1"), MakeEntry("a..b..c.txt", "", "2"), MakeEntry("..", "", "3"),
                    MakeEntry("x./..y", "", "4")};
  Unpacking d(dotted, PathMode::FromNames);
  for (size_t k = 0; k < d.table.size(); ++k) d.Extract(k);
  const std::string all = Listing(d.dir.Path());
  for (size_t at = 0; (at = all.find('\n', at)) != std::string::npos; ++at) {
    const size_t start = all.rfind('\n', at - 1);
    const std::string line = all.substr(start == std::string::npos ? 0 : start + 1, at - start - 1);
    EXPECT_TRUE(line == "archive.h4r" || line.rfind("out", 0) == 0) << all;
  }
}

// Device names, control characters and the characters Windows keeps for
// itself cannot be files on Windows; they are refused on every system, as a
// name and as any folder of the path, so the result is the same everywhere.
TEST(ExtractEntry, NamesThatCannotBeFilesAreRefusedOnEverySystem) {
  const std::pair<std::string, std::string> refused[] = {
      {"", "CON"},           {"", "con"},          {"", "NUL.txt"},      {"", "nul.tar.gz"},
      {"", "CON .dat"},      {"", "Com1"},         {"", "lpt9.log"},     {"", "COM0"},
      {"", "PRN"},           {"", "aux.h4r"},      {"", "CONOUT$"},      {"", "NUL "},
      {"CON", "a.txt"},      {"x\\Aux\\y", "a"},   {"x/nul.d/y", "a"},   {"", std::string("a\x01.txt")},
      {"", "tab\there"},     {"", "new\nline"},    {"", "esc\x1b[31m"},  {"", std::string("z\0z", 3)},
      {"d\x07", "a.txt"},    {"", "a<b"},          {"", "a>b"},          {"", "a:b"},
      {"", "stream:$DATA"},  {"", "q\"uote"},      {"", "pi|pe"},        {"", "what?"},
      {"", "*.*"},           {"x:y\\z", "a"},      {"a\\b*", "c"},       {"e\\\x1f", "c"},
  };
  for (const auto& [path, name] : refused) {
    EXPECT_NE(extract::ConfinementProblem(path, name), extract::Problem::None) << path << " | " << name;
  }
  // Names that merely start like a device, or carry one after the first dot.
  const std::pair<std::string, std::string> allowed[] = {
      {"", "CONSOLE.txt"}, {"", "nul_.txt"}, {"", "COM10"},  {"", "LPT"},       {"", "auxiliary.dat"},
      {"", "a.con"},       {"", "x.NUL.y"},  {"", "COMA"},   {"icons", "a.b"},
      {"", "\xCD\xF3\xEB\xFC.txt"},  // "Нуль" in code page 1251: 8-bit letters are fine
  };
  for (const auto& [path, name] : allowed) {
    EXPECT_EQ(extract::ConfinementProblem(path, name), extract::Problem::None) << path << " | " << name;
  }

  // Through ExtractEntry: refused with a reason, nothing created, and the
  // other entries written.
  Archive a;
  a.entries = {MakeEntry("NUL.txt", "", "1"), MakeEntry("ok.txt", "COM1\\sub", "2"), MakeEntry("a\x1b]0;x\x07", "", "3"),
               MakeEntry("what?.txt", "", "4"), MakeEntry("kept.txt", "", "5")};
  Unpacking u(a);
  for (size_t k = 0; k + 1 < u.table.size(); ++k) {
    const ExtractOutcome o = u.Extract(k);
    EXPECT_EQ(o.Status, ExtractStatus::NotWritten) << k;
    EXPECT_NE(o.Kind, extract::Problem::None) << k;
  }
  EXPECT_EQ(u.Extract(4).Status, ExtractStatus::Written);
  EXPECT_EQ(Listing(u.dir.Path()), "archive.h4r\nout\nout/kept.txt\n");
}

TEST(ExtractEntry, DamagedCompressedDataIsReportedAndNeverShowsOldBytes) {
  const std::string data = Text(120000, 1);
  const std::string good = testarchive::GzipMember(data);
  std::string flipped = good;
  flipped[good.size() / 3] ^= 0x04;
  std::string wrongCrc = good;
  wrongCrc[good.size() - 8] ^= 0x01;
  std::string wrongLength = good;
  wrongLength[good.size() - 4] ^= 0x01;
  std::string cut = good.substr(0, good.size() / 2) + good.substr(good.size() - 8);
  std::string badBlock = good;
  badBlock[10] |= 0x06;  // the reserved block type

  Archive a;
  auto add = [&](const std::string& name, const std::string& stored, int32_t size) {
    Entry e = MakeEntry(name, "", data, 3);
    e.stored = stored;
    e.size = size;
    a.entries.push_back(e);
  };
  add("first.txt", testarchive::GzipMember(std::string(120000, 'A')), 120000);
  add("cut.txt", cut, 120000);
  add("flipped.txt", flipped, 120000);
  add("crc.txt", wrongCrc, 120000);
  add("length.txt", wrongLength, 120000);
  add("longer.txt", good, 150000);
  add("shorter.txt", good, 1000);
  add("tiny.txt", good.substr(0, 13), 5);
  add("sixteen.txt", good.substr(0, 16), 5);
  add("negative.txt", good, -1);
  add("badblock.txt", badBlock, 120000);
  Unpacking u(a);

  ASSERT_EQ(u.Extract(0).Status, ExtractStatus::Written);
  using extract::Problem;
  const struct {
    size_t k;
    Problem kind;
  } damaged[] = {{1, Problem::DataEndsEarly},  {2, Problem::CrcMismatch},   {3, Problem::CrcMismatch},
                 {4, Problem::LengthMismatch}, {5, Problem::DataEndsEarly}, {6, Problem::LengthMismatch},
                 {8, Problem::GzipTooShort},   {10, Problem::ZlibError}};
  for (const auto& c : damaged) {
    const ExtractOutcome o = u.Extract(c.k);
    EXPECT_EQ(o.Status, ExtractStatus::Damaged) << c.k;
    EXPECT_EQ(o.Kind, c.kind) << c.k << ": " << o.Detail;
  }
  // The file gets Size bytes; what zlib did not produce is zeros, never the
  // 'A's of the entry before.
  for (const char* name : {"cut.txt", "flipped.txt", "sixteen.txt"}) {
    const std::string f = u.File(name);
    EXPECT_EQ(f.size(), std::string(name) == "sixteen.txt" ? 5u : 120000u) << name;
    EXPECT_EQ(f.find('A'), std::string::npos) << name;
  }
  // What zlib made of the good half is there; the end is zeros.
  const std::string cutFile = u.File("cut.txt");
  EXPECT_TRUE(cutFile.substr(0, 1000) == data.substr(0, 1000));
  EXPECT_EQ(cutFile.back(), '\0');
  EXPECT_TRUE(u.File("badblock.txt") == std::string(120000, '\0'));
  EXPECT_TRUE(u.File("crc.txt") == data);
  EXPECT_TRUE(u.File("longer.txt") == data + std::string(30000, '\0'));
  EXPECT_TRUE(u.File("shorter.txt") == data.substr(0, 1000));

  // Too short to hold anything, or a negative size: refused, no file.
  for (size_t k : {7u, 9u}) {
    const ExtractOutcome o = u.Extract(k);
    EXPECT_EQ(o.Status, ExtractStatus::NotWritten) << k;
    EXPECT_EQ(ReadBack(o.Destination), std::nullopt) << k;
  }
}

TEST(ExtractEntry, DataBeyondTheArchiveIsReported) {
  const std::string data = Text(5000, 2);
  Archive a;
  Entry past = MakeEntry("past.bin", "", "abc");
  past.offset = 0x7FFFFF00u;
  Entry high = MakeEntry("high.bin", "", "abc", 3);
  high.offset = 0x90000000u;
  Entry huge = MakeEntry("huge.txt", "", data, 3);
  huge.storedSize = 0x7FFFFFF0;  // memory must not follow this
  a.entries = {past, high, huge, MakeEntry("stored.bin", "", data), MakeEntry("deflated.txt", "", data, 3),
               MakeEntry("last.bin", "", data)};
  const std::string bytes = testarchive::Build(a);
  Unpacking u(a, PathMode::Stored, bytes.size() - 1000);  // the last entry loses 1000 bytes

  ExtractOutcome o = u.Extract(0);
  EXPECT_EQ(o.Status, ExtractStatus::Damaged);
  EXPECT_EQ(o.Kind, extract::Problem::DataBeyondEnd);
  EXPECT_EQ(u.File("past.bin"), "");
  o = u.Extract(1);
  EXPECT_EQ(o.Status, ExtractStatus::Damaged);
  EXPECT_EQ(u.File("high.bin"), std::string(3, '\0'));
  o = u.Extract(2);
  EXPECT_EQ(o.Status, ExtractStatus::Damaged);
  EXPECT_EQ(o.Kind, extract::Problem::ArchiveEndsEarly);
  EXPECT_EQ(u.File("huge.txt").size(), 5000u);
  EXPECT_EQ(u.Extract(3).Status, ExtractStatus::Written);
  EXPECT_TRUE(u.File("stored.bin") == data);
  EXPECT_EQ(u.Extract(4).Status, ExtractStatus::Written);
  o = u.Extract(5);
  EXPECT_EQ(o.Status, ExtractStatus::Damaged);
  EXPECT_EQ(o.Kind, extract::Problem::ArchiveEndsEarly);
  EXPECT_EQ(o.Done, 4000);
  EXPECT_EQ(o.Total, 5000);
  EXPECT_TRUE(u.File("last.bin") == data.substr(0, 4000));  // what was there is kept
}

TEST(ExtractEntry, FailedFoldersAndWritesAreReportedWithTheReason) {
  Archive a;
  a.entries = {MakeEntry("f.txt", "blocked\\deeper", "x"), MakeEntry("g.txt", "", "stored"),
               MakeEntry("h.txt", "", Text(70000, 3), 3)};
  Unpacking u(a);
  ASSERT_TRUE(testarchive::WriteFileBytes(testextract::SystemName(u.out + "\\blocked"), "a file"));
  ExtractOutcome o = u.Extract(0);
  EXPECT_EQ(o.Status, ExtractStatus::NotWritten);
  EXPECT_EQ(o.Kind, extract::Problem::FolderNotCreated);
  EXPECT_NE(o.Detail.find("blocked"), std::string::npos) << o.Detail;

#ifdef _WIN32
  // A file another program holds open is not written and keeps its content.
  ASSERT_TRUE(testarchive::WriteFileBytes(u.out + "\\g.txt", "held"));
  {
    kol::StreamPtr held = kol::CreateWriteStream(u.out + "\\g.txt");
    o = u.Extract(1);
  }
  EXPECT_EQ(o.Status, ExtractStatus::NotWritten);
  EXPECT_EQ(o.Kind, extract::Problem::FileNotCreated);
  EXPECT_EQ(u.File("g.txt"), "held");
#else
  // A name the file system cannot take (246 Cyrillic letters are 492 bytes
  // of UTF-8).
  Archive longName;
  longName.entries = {MakeEntry(std::string(246, '\xE0'), "", "x")};
  Unpacking l(longName);
  o = l.Extract(0);
  EXPECT_EQ(o.Status, ExtractStatus::NotWritten);
  EXPECT_EQ(o.Kind, extract::Problem::NameTooLong);
  // A read-only output folder (root writes anyway, so only as a user).
  if (geteuid() != 0) {
    Archive ro;
    ro.entries = {MakeEntry("r.txt", "sub", "x"), MakeEntry("s.txt", "", "x")};
    Unpacking r(ro);
    std::filesystem::permissions(testextract::FsPath(r.out), std::filesystem::perms::owner_read |
                                                                 std::filesystem::perms::owner_exec);
    EXPECT_EQ(r.Extract(0).Kind, extract::Problem::FolderNotCreated);
    EXPECT_EQ(r.Extract(1).Kind, extract::Problem::FileNotCreated);
  }
#endif
}

TEST(ExtractEntry, RandomArchivesUnpackToExactlyTheirBytes) {
  std::mt19937 gen(20240);
  Archive a;
  const int count = 2500;
  for (int k = 0; k < count; ++k) {
    const uint32_t kind = gen() % 10;
    size_t size = gen() % 3000;
    if (kind == 0) size = 50000 + gen() % 120000;  // crosses chunk borders
    if (kind == 1) size = 0;
    std::string data;
    if (gen() % 2 == 0) {
      data = Text(size, gen());
    } else {
      data.resize(size);
      for (char& c : data) c = static_cast<char>(gen());
    }
    Entry e = MakeEntry("f" + std::to_string(k) + ".bin",
                   "d" + std::to_string(gen() % 13) + "\\s" + std::to_string(gen() % 4), data,
                   gen() % 2 == 0 ? 1 : 3);
    a.entries.push_back(e);
  }
  Unpacking u(a);
  for (int k = 0; k < count; ++k) ASSERT_EQ(u.Extract(k).Status, ExtractStatus::Written) << k;
  for (int k = 0; k < count; ++k) {
    ASSERT_TRUE(u.File(u.table[k].Path + "\\" + u.table[k].Name) == a.entries[k].data) << k;
  }
}
