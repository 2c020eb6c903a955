// tarnwick-cli's commands as a user types them: what each prints, where, with
// which exit status, and what it leaves on disk. Every row runs in a folder
// of its own that holds the archives below and nothing else.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/cli/cli_runner.h"

namespace {

using testarchive::Entry;

const std::string S(1, testarchive::Separator());

// Sound, damaged and cut short, for test and print; the bytes must pass
// unchanged, also on Windows.
const std::string kBinary = "a\r\nb\x1A\n", kBig(70000, 'q');

// An entry of each kind the list shows in its own way ("таблица.txt" in code
// page 1251) in "-x.h4r"; the same with other counts (1916416058 is what the
// first bytes of a text file declare) and cut short; aliases, in an archive
// whose directory lies behind the data; a name that cannot be a file; damaged
// data; and a file that exists before extract runs, under a second name
// ("outside").
void WriteArchives(const testarchive::TempFolder& dir) {
  using testarchive::Build;
  // clang-format off
  testarchive::Archive a = {.Entries = {
      Entry{.Name = "layers.button.cancel.h4r", .Data = "0123456789", .Time = 4000000000u},
      Entry{.Name = "\xF2\xE0\xE1\xEB\xE8\xF6\xE0.txt", .Data = std::string(1500, 'x'), .Compression = 3},
      Entry{.Name = "sound.empty.wav", .Compression = 0, .StoredSize = 0, .Size = -7},
      Entry{.Name = "odd\x01 \"name\"", .Data = "z", .Compression = 9}}};
  auto counted = [a](int32_t count) mutable { a.Count = count; return Build(a); };
  std::string crc = testarchive::GzipMember(kBig);
  crc[crc.size() - 8] ^= 1;
  const std::string bad = Build({.Entries = {
      Entry{.Name = "sub.good.bin", .Data = kBinary},
      Entry{.Name = "crc.bin", .Data = kBig, .Compression = 3, .Stored = crc},
      Entry{.Name = "claim.bin", .Data = "abc", .Compression = 3, .Size = 1 << 30},
      Entry{.Name = "sub.empty.gz", .Compression = 3, .StoredSize = 0, .Size = 0},
      Entry{.Name = "tail.bin", .Data = kBig}}});
  const std::pair<std::string, std::string> files[] = {
      {"-x.h4r", Build(a)}, {"count1916416058", counted(1916416058)}, {"count6", counted(6)},
      {"count-5", counted(-5)}, {"short.h4r", counted(-5).substr(0, 10)},
      {"alias.h4r", Build({.DirectoryAtEnd = true, .Entries = {
          {.Name = "a.pcx", .Data = "picture", .Compression = 3, .Time = 1700000000},
          {.Name = "b.pcx", .Alias = "A.PCX"}, {.Name = "c.pcx", .Alias = "gone"}}})},
      {"dots.h4r", Build({.Entries = {{.Name = "..", .Data = "x"}}})},
      {"bad.h4r", bad.substr(0, bad.size() - 5)}, {"outside", "kept"}};
  // clang-format on
  for (const auto& [name, bytes] : files)
    ASSERT_TRUE(testarchive::WriteFileBytes(dir / name, bytes));
  std::filesystem::create_directories(testextract::FsPath(dir / "keep/layers/button"));
  std::filesystem::create_hard_link(testextract::FsPath(dir / "outside"),
                                    testextract::FsPath(dir / "keep/layers/button/cancel.h4r"));
}

struct Row {
  std::vector<std::string> Args;
  int Status;
  std::vector<std::string> Out;         // pieces of stdout; none: nothing at all
  std::string Err;                      // a piece of stderr; empty: nothing at all
  std::vector<std::string> Files = {};  // "name=content": what must be on disk afterwards
  // Files that bear (true) or do not bear (false) their entry's time, 1700000000.
  std::vector<std::pair<std::string, bool>> Stamped = {};
  bool Whole = false;  // stdout is Out[0] and nothing else, read byte for byte
};

void Check(const Row& row) {
  testarchive::TempFolder dir;
  WriteArchives(dir);
  if (::testing::Test::HasFatalFailure()) return;
  const testcli::Run run = testcli::RunCli(row.Args, row.Whole, dir.Path());
  SCOPED_TRACE(::testing::PrintToString(row.Args) + "\n" + run.Out + run.Err);
  EXPECT_EQ(run.Status, row.Status);
  EXPECT_EQ(run.Out.empty(), row.Out.empty());
  for (const std::string& piece : row.Out)
    EXPECT_NE(run.Out.find(piece), std::string::npos) << piece;
  EXPECT_TRUE(!row.Whole || run.Out == row.Out[0]) << run.Out.size();
  EXPECT_TRUE(row.Err.empty() ? run.Err.empty() : run.Err.find(row.Err) != std::string::npos);
  // A usage error is one line and the usage line, never the whole help.
  EXPECT_TRUE(row.Status != 2 || std::count(run.Err.begin(), run.Err.end(), '\n') <= 2);
  for (const std::string& f : row.Files) {
    EXPECT_EQ(testarchive::ReadFileBytes(dir / f.substr(0, f.find('='))),
              f.substr(f.find('=') + 1));
  }
  for (const auto& [file, bears] : row.Stamped)
    EXPECT_EQ(testextract::FileTime(dir / file) == std::chrono::seconds(1700000000), bears) << file;
}

}  // namespace

// clang-format off
TEST(CliCommandLine, HelpAndUsageErrors) {
  const Row rows[] = {
      {{"--help"}, 0, {"list [--stored-paths] [-l|--long] [--json] [SELECTION] ARCHIVE", "--version",
                       "[-j|--jobs N]", "[-q|--quiet]", "update [--stored-paths] [--level N]"}, ""},
      {{"help", "extract"}, 0, {"usage: tarnwick-cli extract", "  -m, --touch", "  --include PATTERN"}, ""},
      {{"list", "--help"}, 0, {"usage: tarnwick-cli list", "-l, --long"}, ""},
      {{"update", "-h"}, 0, {"--dry-run"}, ""},
      {{"--version"}, 0, {"tarnwick-cli "}, ""},
      {{}, 2, {}, "usage: tarnwick-cli "},
      {{"frobnicate"}, 2, {}, "unknown command frobnicate"},
      {{"help", "frobnicate"}, 2, {}, "unknown command frobnicate"},
      {{"help", "--help"}, 0, {"update [--stored-paths]"}, ""},
      {{"list"}, 2, {}, "usage: tarnwick-cli list"},
      {{"list", "-x.h4r"}, 2, {}, "unknown option -x.h4r"},
      {{"list", "-lx", "x"}, 2, {}, "unknown option -x in -lx"},
      {{"list", "--long=yes", "x"}, 2, {}, "--long takes no value"},
      {{"list", "--=x", "x"}, 2, {}, "unknown option --"},
      {{"extract"}, 2, {}, "no archive given"},
      {{"extract", "--bogus", "x"}, 2, {}, "unknown option --bogus"},
      {{"extract", "--in", "everywhere", "x"}, 2, {}, "--in takes name, path or both"},
      {{"extract", "a", "b", "c"}, 2, {}, "too many arguments"},
      {{"extract", "x", "--match"}, 2, {}, "--match needs a value"},
      {{"extract", "--jobs", "0", "x"}, 2, {}, "--jobs takes a number"},
      {{"extract", "--jobs=many", "x"}, 2, {}, "--jobs takes a number"},
      {{"extract", "-C", "", "x"}, 2, {}, "-C needs a folder"},
      // A pattern where the output folder goes is no folder's name.
      {{"extract", "--", "-x.h4r", "layers/**"}, 2, {}, "-C"},
      {{"extract", "--", "-x.h4r", "?"}, 2, {}, "-C"},
      {{"print", "--", "-x.h4r"}, 2, {}, "no entry named"},
      {{"update", "x"}, 2, {}, "ARCHIVE and DIR are needed"},
      {{"update", "-q", "--dry-run", "alias.h4r", "."}, 0, {}, "not added"},
      {{"update", "--level", "10", "x", "d"}, 2, {}, "--level takes a number from 0 to 9"},
  };
  for (const Row& row : rows) Check(row);
  std::istringstream overview(testcli::RunCli({"--help"}).Out);
  for (std::string line; std::getline(overview, line);) EXPECT_LE(line.size(), 79u) << line;
  // Below the first option row only headings start at the margin: a line
  // that carries on an option's text is indented as the rows are.
  const std::string help = testcli::RunCli({"help", "extract"}).Out;
  std::istringstream lines(help.substr(help.find("\n  -")));
  for (std::string line; std::getline(lines, line);)
    EXPECT_TRUE(line.empty() || line[0] == ' ' || line.back() == ':') << line;
}

TEST(CliCommandLine, ListShowsEntriesAndCounts) {
  const Row rows[] = {
      {{"list", "missing.h4r"}, 2, {}, "tarnwick-cli: cannot open missing.h4r"},
      {{"list", "--", "-x.h4r"}, 0, {"Name         Path            Size  Compressed\n"
                                    "cancel.h4r   layers" + S + "button" + S + "    10  no\n"
                                    "таблица.txt                  1500  yes\n"
                                    "empty.wav    sound" + S + "            -7  N/A\n"
                                    "odd? \"name\"                     1  ERROR\n"}, ""},
      {{"list", "-l", "--", "-x.h4r", "**/*.h4r", "*.txt"}, 0, {"Size  Stored  Ratio          Modified  Compressed\n"
                                    "cancel.h4r   layers" + S + "button" + S + "    10      10     0%  2096-10-02 07:06  no\n"}, ""},
      {{"list", "--", "-x.h4r", "*.h4r", "nothing/**"}, 1, {"Listed:      0\n"}, "pattern *.h4r selects no entry"},
      {{"list", "--json", "--exclude=odd*", "--exclude", "sound/", "--", "-x.h4r"}, 0, {"\"listed_count\":2,"}, ""},
      {{"list", "--json", "--", "-x.h4r"}, 0,
       {"\"complete\":true,\"declared_count\":4,\"entry_count\":4,\"compressed_count\":1,"
        "\"empty_count\":1,\"total_size\":1504,\"entries\":[\n{\"index\":1,\"name\":",
        ",\"stored_size\":0,\"size\":-7,\"spare\":0,\"name_len\":9,\"path_len\":6,\"tail_marker\":0,"
        "\"compression\":0,\"time\":0,\"alias\":\"\"},\n{\"index\":4,\"name\":\"odd\\u0001 \\\"name\\\"\",",
        "\"tail_marker\":0,\"compression\":9,\"time\":0,\"alias\":\"\"}]}\n"}, ""},
      {{"list", "--json", "alias.h4r"}, 0, {"\"spare\":1700000000,", "\"time\":1700000000,\"alias\":\"\"}",
                                            "\"tail_marker\":5,\"compression\":1,\"time\":0,\"alias\":\"A.PCX\"}"}, ""},
      {{"list", "-l", "alias.h4r"}, 0, {"Ratio          Modified  Compressed\n",
                                        "  7      27  -286%  2023-11-14 22:13  yes\n",
                                        "b.pcx -> A.PCX", "\nEmpty:       2\nAliases:     2\nTotal"}, ""},
      // A directory that was not read whole: what was read is listed, then the warning.
      {{"list", "count1916416058"}, 1, {"Files:       4\n"}, "does not look like an .h4r"},
      {{"list", "count6"}, 1,
       {"Files:       4\nCompressed:  1\nEmpty:       1\nTotal size:  1,504\n"},
       "is damaged: its directory ends early, 4 of 6"},
      {{"list", "count-5"}, 1, {"Files:       0\n"}, "is damaged: its directory declares -5 entries"},
  };
  for (const Row& row : rows) Check(row);
}

TEST(CliCommandLine, TestAndPrintNameDamagedEntries) {
  const Row rows[] = {
      {{"test", "alias.h4r"}, 1, {"2 sound, 1 damaged"}, "c.pcx: cannot be unpacked: it is an alias of gone, which is not"},
      {{"test", "--", "-x.h4r"}, 1, {"3 sound, 1 damaged"}, "odd? \"name\": cannot be unpacked: its compression code 9"},
      {{"test", "--jobs", "3", "bad.h4r"}, 1, {"2 sound, 3 damaged"},
       "tail.bin: damaged: the archive ends after 69995 of its 70000 bytes"},
      {{"test", "-qj1", "bad.h4r"}, 1, {}, "claim.bin: damaged: the compressed data ends early"},
      {{"test", "bad.h4r", "sub/*"}, 0, {"2 sound, 0 damaged"}, ""},
      {{"test", "bad.h4r", "nothing/**"}, 1, {"0 sound, 0 damaged"}, "pattern nothing/** selects no entry"},
      {{"test", "bad.h4r", "sub/*", "nothing/**"}, 1, {"2 sound, 0 damaged"}, "nothing/** selects no entry"},
      {{"test", "--compressed-only", "dots.h4r"}, 1, {"0 sound"}, "--compressed-only selects no entry"},
      {{"test", "missing.h4r"}, 2, {}, "cannot open missing.h4r"},
      {{"test", "count6"}, 1, {"3 sound, 1 damaged"}, "its directory ends early"},
      {{"compact", "count6"}, 2, {}, "is damaged"},
      {{"test", "short.h4r"}, 1, {"0 sound, 0 damaged"}, "the file ends inside its header"},
      {{"print", "bad.h4r", "sub/good.bin", "sub\\missing"}, 1, {"b"}, "sub\\missing selects no entry"},
      {{"print", "bad.h4r", "SUB/*.bin"}, 0, {"b"}, ""},
      // Entries in the archive's order whatever the order asked; damaged data
      // still goes out whole, and is named.
      {.Args = {"print", "bad.h4r", "crc.bin", "sub\\good.bin"}, .Status = 1, .Out = {kBinary + kBig},
       .Err = "crc.bin: damaged: CRC-32", .Whole = true},
  };
  for (const Row& row : rows) Check(row);
}

TEST(CliCommandLine, ExtractWritesTheSelectedEntries) {
  const Row rows[] = {
      {{"extract", "missing.h4r", "o"}, 2, {}, "cannot open missing.h4r"},
      {{"extract", "short.h4r", "o"}, 1, {"0 written"}, "the file ends inside its header"},
      {{"extract", "--", "-x.h4r", "./-x.h4r/sub"}, 1, {}, ": cannot create folder ." + S + "-x.h4r:"},
      {{"extract", "alias.h4r", "al"}, 1, {"2 written, 0 passed over, 1 failed"}, "c.pcx -> al" + S + "c.pcx: not written: it is",
       {"al/a.pcx=picture", "al/b.pcx=picture"}, {{"al/b.pcx", true}}},
      {{"extract", "-mC", "al", "alias.h4r", "b.pcx"}, 0, {"1 written"}, "", {"al/b.pcx=picture"}, {{"al/b.pcx", false}}},
      {{"extract", "--skip-existing", "dots.h4r", "o"}, 1, {"0 written"}, "cannot be a file name"},
      {{"extract", "--", "-x.h4r", "o"}, 1, {"2 written, 1 passed over, 1 failed"}, "odd? \"name\" -> ",
       {"o/layers/button/cancel.h4r=0123456789"}},
      {{"extract", "--keep-empty", "--stored-paths", "--", "-x.h4r", "o"}, 1, {"3 written, 0 passed"}, "odd"},
      {{"extract", "--compressed-only", "--", "-x.h4r", "o"}, 0, {"1 written, 0 passed"}, ""},
      {{"extract", "--match", "o", "--", "-x.h4r", "o"}, 1, {"0 written, 0 passed"}, "odd"},
      {{"extract", "--match", "O", "--in", "path", "--", "-x.h4r", "o"}, 0, {"1 written, 1 passed"}, ""},
      {{"extract", "--match", "O", "--in=path", "--case-sensitive", "--", "-x.h4r", "o"}, 1,
       {"0 written, 0 passed"}, "--match O selects no entry"},
      {{"extract", "--match", "o", "--in", "both", "--", "-x.h4r", "o"}, 1, {"1 written, 1 passed"}, "odd"},
      {{"extract", "--match", "odd", "--compressed-only", "--", "-x.h4r", "o"}, 1,
       {"0 written, 0 passed"}, "no entry passes all the selection options"},
      {{"extract", "--match", "odd", "--match", "cancel", "--", "-x.h4r", "o"}, 1,
       {"1 written, 0 passed over, 1 failed\n"}, "odd"},
      {{"extract", "--exclude", "*.txt", "--exclude", "**/cancel*", "-C", "o", "--", "-x.h4r"}, 1,
       {"0 written, 1 passed over, 1 failed\n"}, "odd"},
      {{"extract", "--output=p", "--", "-x.h4r", "**/*.h4r"}, 0, {"1 written, 0 passed over, 0 failed\n"}, "",
       {"p/layers/button/cancel.h4r=0123456789"}},
      {{"extract", "--skip-existing", "--output", "keep", "--", "-x.h4r", "*.txt", "**/*.h4r"}, 0,
       {"1 written, 0 passed over, 0 failed, 1 skipped\n"}, "", {"keep/layers/button/cancel.h4r=kept"}},
      // A file there is replaced, not written into: its other name keeps what it held.
      {{"extract", "--skip-existing", "--overwrite", "--", "-x.h4r", "keep"}, 1, {"2 written, 1 passed over, 1 failed\n"}, "odd",
       {"keep/layers/button/cancel.h4r=0123456789", "outside=kept"}},
      {{"extract", "-q", "--match", "cancel", "--", "-x.h4r"}, 0, {}, "", {"layers/button/cancel.h4r=0123456789"}},
#ifndef _WIN32
      // The runner hands its command to the Windows shell in the ANSI code
      // page, so non-ASCII masks are tried natively only; Cyrillic does not
      // fold, and a character outside code page 1251 matches nothing.
      {{"extract", "--match", "таблица", "--", "-x.h4r", "o"}, 0, {"1 written, 0 passed"}, ""},
      {{"extract", "--match", "ТАБЛИЦА", "--", "-x.h4r", "o"}, 1, {"0 written, 0 passed"}, "ТАБЛИЦА selects"},
      {{"extract", "--match", "日本", "--", "-x.h4r", "o"}, 1, {"0 written, 0 passed"}, "--match 日本 selects"},
#endif
  };
  for (const Row& row : rows) Check(row);
}
// clang-format on
