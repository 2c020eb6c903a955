// tarnwick-cli's commands as a user types them: what each prints, where, and
// with which exit status.
#include <gtest/gtest.h>

#include "tests/cli/cli_runner.h"

using testarchive::Entry;

TEST(CliCommandLine, EveryCommandPrintsWhatItMust) {
  testarchive::TempFolder dir;
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(dir.Path());
  // An entry of each kind the list shows in its own way ("таблица.txt" in
  // code page 1251); 1916416058 entries is what the first bytes of a text
  // file declare.
  // clang-format off
  testarchive::Archive a = {.entries = {
      Entry{.name = "layers.button.cancel.h4r", .data = "0123456789", .time = 4000000000u},
      Entry{.name = "\xF2\xE0\xE1\xEB\xE8\xF6\xE0.txt", .data = std::string(1500, 'x'),
            .compression = 3},
      Entry{.name = "sound.empty.wav", .compression = 0, .storedSize = 0, .size = -7},
      Entry{.name = "odd\x01 \"name\"", .data = "z", .compression = 9}}};
  // clang-format on
  ASSERT_TRUE(testarchive::WriteFileBytes("-x.h4r", testarchive::Build(a)));
  for (const int32_t count : {1916416058, 6, -5}) {
    a.count = count;
    ASSERT_TRUE(
        testarchive::WriteFileBytes("count" + std::to_string(count), testarchive::Build(a)));
  }
  ASSERT_TRUE(testarchive::WriteFileBytes("short.h4r", testarchive::Build(a).substr(0, 10)));
  // Aliases, found by name with Latin letters folded, in an archive whose
  // directory lies behind the data.
  ASSERT_TRUE(testarchive::WriteFileBytes(
      "alias.h4r", testarchive::Build({.directoryAtEnd = true,
                                       .entries = {{.name = "a.pcx", .data = "picture",
                                                    .compression = 3, .time = 1700000000},
                                                   {.name = "b.pcx", .alias = "A.PCX"},
                                                   {.name = "c.pcx", .alias = "gone"}}})));
  ASSERT_TRUE(testarchive::WriteFileBytes(
      "dots.h4r", testarchive::Build({.entries = {{.name = "..", .data = "x"}}})));
  // Sound, damaged and cut short, for test and print; the bytes must pass
  // unchanged, also on Windows.
  const std::string binary = "a\r\nb\x1A\n", big(70000, 'q');
  std::string crc = testarchive::GzipMember(big);
  crc[crc.size() - 8] ^= 1;
  const std::string bad = testarchive::Build(
      {.entries = {Entry{.name = "sub.good.bin", .data = binary},
                   Entry{.name = "crc.bin", .data = big, .compression = 3, .stored = crc},
                   Entry{.name = "claim.bin", .data = "abc", .compression = 3, .size = 1 << 30},
                   Entry{.name = "sub.empty.gz", .compression = 3, .storedSize = 0, .size = 0},
                   Entry{.name = "tail.bin", .data = big}}});
  ASSERT_TRUE(testarchive::WriteFileBytes("bad.h4r", bad.substr(0, bad.size() - 5)));
  std::filesystem::create_directories("keep/layers/button");
  ASSERT_TRUE(testarchive::WriteFileBytes("keep/layers/button/cancel.h4r", "kept"));
  const std::string S(1, testarchive::Separator());
  // clang-format off
  // Pieces of stdout, and of stderr; where none, nothing at all.
  const struct { std::vector<std::string> args; int status; std::vector<std::string> out;
                 std::string err; } cases[] = {
      {{"--help"}, 0, {"--jobs N", "--stored-paths", "--json", "--keep-empty", "--compressed-only",
                       "--match", "--in", "--case-sensitive", "--quiet", "--version", "--include",
                       "--exclude", "--long", "--skip-existing", "-C OUTDIR", "test", "print"}, ""},
      {{"list", "--help"}, 0, {"usage: tarnwick-cli list"}, ""},
      {{"extract", "--help"}, 0, {"usage: tarnwick-cli extract"}, ""},
      {{"update", "--help"}, 0, {"--dry-run       only say"}, ""},
      {{"test", "--help"}, 0, {"--help, -h"}, ""},
      {{"--version"}, 0, {"tarnwick-cli "}, ""},
      {{}, 2, {}, "usage: tarnwick-cli COMMAND"},
      {{"frobnicate"}, 2, {}, "unknown command frobnicate"},
      {{"list"}, 2, {}, "usage: tarnwick-cli list"},
      {{"list", "-x.h4r"}, 2, {}, "unknown option -x.h4r"},
      {{"list", "missing.h4r"}, 2, {}, "tarnwick-cli: cannot open missing.h4r"},
      {{"list", "--", "-x.h4r"}, 0, {"Name         Path            Size  Compressed\n"
                                    "cancel.h4r   layers" + S + "button" + S + "    10  no\n"
                                    "таблица.txt                  1500  yes\n"
                                    "empty.wav    sound" + S + "            -7  N/A\n"
                                    "odd? \"name\"                     1  ERROR\n"}, ""},
      {{"list", "-l", "--", "-x.h4r", "**/*.h4r", "*.txt"}, 0, {"Size  Stored  Ratio          Modified  Compressed\n"
                                    "cancel.h4r   layers" + S + "button" + S + "    10      10     0%  2096-10-02 07:06  no\n"}, ""},
      {{"list", "--", "-x.h4r", "*.h4r", "nothing/**"}, 1, {"Listed:      0\n"}, "pattern *.h4r selects no entry"},
      {{"list", "--json", "--exclude", "odd*", "--exclude", "sound/", "--", "-x.h4r"}, 0, {"\"listed_count\":2,"}, ""},
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
      {{"test", "alias.h4r"}, 1, {"2 sound, 1 damaged"}, "c.pcx: cannot be unpacked: it is an alias of gone, which is not"},
      {{"extract", "alias.h4r", "al"}, 1, {"2 written, 0 passed over, 1 failed"}, "c.pcx -> al" + S + "c.pcx: not written: it is"},
      {{"test", "--", "-x.h4r"}, 1, {"3 sound, 1 damaged"}, "odd? \"name\": cannot be unpacked: its compression code 9"},
      {{"test", "--jobs", "3", "bad.h4r"}, 1, {"2 sound, 3 damaged"},
       "tail.bin: damaged: the archive ends after 69995 of its 70000 bytes"},
      {{"test", "bad.h4r"}, 1, {"3 damaged"}, "claim.bin: damaged: the compressed data ends early"},
      {{"test", "bad.h4r", "sub/*"}, 0, {"2 sound, 0 damaged"}, ""},
      {{"test", "bad.h4r", "nothing/**"}, 1, {"0 sound, 0 damaged"}, "pattern nothing/** selects no entry"},
      {{"test", "bad.h4r", "sub/*", "nothing/**"}, 1, {"2 sound, 0 damaged"}, "nothing/** selects no entry"},
      {{"test", "--compressed-only", "dots.h4r"}, 1, {"0 sound"}, "--compressed-only selects no entry"},
      {{"extract", "--skip-existing", "dots.h4r", "o"}, 1, {"0 written"}, "cannot be a file name"},
      {{"print", "bad.h4r", "sub/good.bin", "sub\\missing"}, 1, {"b"}, "sub\\missing: no such entry"},
      {{"list", "count1916416058"}, 1, {"Files:       4\n"}, "does not look like an .h4r"},
      {{"list", "count6"}, 1,
       {"Files:       4\nCompressed:  1\nEmpty:       1\nTotal size:  1,504\n"},
       "is damaged: its directory ends early, 4 of 6"},
      {{"list", "count-5"}, 1, {"Files:       0\n"}, "is damaged: its directory declares -5 entries"},
      {{"extract", "short.h4r", "o"}, 1, {"0 written"}, "the file ends inside its header"},
      {{"extract"}, 2, {}, "no archive given"},
      {{"extract", "--bogus", "x"}, 2, {}, "unknown option --bogus"},
      {{"extract", "--in", "everywhere", "x"}, 2, {}, "--in takes name, path or both"},
      {{"extract", "a", "b", "c"}, 2, {}, "too many arguments"},
      {{"extract", "x", "--match"}, 2, {}, "--match needs a value"},
      {{"extract", "--jobs", "0", "x"}, 2, {}, "--jobs takes a number"},
      {{"extract", "--jobs", "many", "x"}, 2, {}, "--jobs takes a number"},
      {{"extract", "missing.h4r", "o"}, 2, {}, "cannot open missing.h4r"},
      {{"extract", "--", "-x.h4r", "./-x.h4r/sub"}, 1, {}, ": cannot create folder ." + S + "-x.h4r:"},
      {{"extract", "--", "-x.h4r", "o"}, 1, {"2 written, 1 passed over, 1 failed"}, "odd? \"name\" -> "},
      {{"extract", "--keep-empty", "--stored-paths", "--", "-x.h4r", "o"}, 1, {"3 written, 0 passed"}, "odd"},
      {{"extract", "--compressed-only", "--", "-x.h4r", "o"}, 0, {"1 written, 0 passed"}, ""},
      {{"extract", "--match", "o", "--", "-x.h4r", "o"}, 1, {"0 written, 0 passed"}, "odd"},
      {{"extract", "--match", "O", "--in", "path", "--", "-x.h4r", "o"}, 0, {"1 written, 1 passed"}, ""},
      {{"extract", "--match", "O", "--in", "path", "--case-sensitive", "--", "-x.h4r", "o"}, 1,
       {"0 written, 0 passed"}, "--match O selects no entry"},
      {{"extract", "--match", "o", "--in", "both", "--", "-x.h4r", "o"}, 1, {"1 written, 1 passed"}, "odd"},
      {{"extract", "--match", "odd", "--compressed-only", "--", "-x.h4r", "o"}, 1,
       {"0 written, 0 passed"}, "no entry passes all the selection options"},
      {{"extract", "--match", "odd", "--match", "cancel", "--", "-x.h4r", "o"}, 1,
       {"1 written, 0 passed over, 1 failed\n"}, "odd"},
      {{"extract", "--exclude", "*.txt", "--exclude", "**/cancel*", "-C", "o", "--", "-x.h4r"}, 1,
       {"0 written, 1 passed over, 1 failed\n"}, "odd"},
      {{"extract", "-C", "p", "--", "-x.h4r", "**/*.h4r"}, 0, {"1 written, 0 passed over, 0 failed\n"}, ""},
      {{"extract", "--skip-existing", "--output", "keep", "--", "-x.h4r", "*.txt", "**/*.h4r"}, 0,
       {"1 written, 0 passed over, 0 failed, 1 skipped\n"}, ""},
      {{"extract", "--skip-existing", "--overwrite", "--", "-x.h4r", "p"}, 1, {"2 written, 1 passed over, 1 failed\n"}, "odd"},
      {{"extract", "--quiet", "--match", "cancel", "--", "-x.h4r"}, 0, {}, ""},
#ifndef _WIN32
      // The runner hands its command to the Windows shell in the ANSI code
      // page, so non-ASCII masks are tried natively only; Cyrillic does not
      // fold, and a character outside code page 1251 matches nothing.
      {{"extract", "--match", "таблица", "--", "-x.h4r", "o"}, 0, {"1 written, 0 passed"}, ""},
      {{"extract", "--match", "ТАБЛИЦА", "--", "-x.h4r", "o"}, 1, {"0 written, 0 passed"}, "ТАБЛИЦА selects"},
      {{"extract", "--match", "日本", "--", "-x.h4r", "o"}, 1, {"0 written, 0 passed"}, "--match 日本 selects"},
#endif
  };
  // clang-format on
  for (const auto& c : cases) {
    const testcli::Run run = testcli::RunCli(c.args);
    SCOPED_TRACE(c.args.empty() ? "" : c.args[0] + " " + c.args.back() + "\n" + run.Out + run.Err);
    EXPECT_EQ(run.Status, c.status);
    EXPECT_EQ(run.Out.empty(), c.out.empty());
    for (const std::string& piece : c.out)
      EXPECT_NE(run.Out.find(piece), std::string::npos) << piece;
    EXPECT_TRUE(c.err.empty() ? run.Err.empty() : run.Err.find(c.err) != std::string::npos);
  }
  EXPECT_EQ(testarchive::ReadFileBytes("layers/button/cancel.h4r"), "0123456789");
  EXPECT_EQ(testarchive::ReadFileBytes("al/b.pcx"), "picture");
  EXPECT_EQ(std::chrono::file_clock::to_sys(std::filesystem::last_write_time("al/b.pcx"))
                .time_since_epoch(),
            std::chrono::seconds(1700000000));
  EXPECT_EQ(testarchive::ReadFileBytes("keep/layers/button/cancel.h4r"), "kept");
  // Entries in the archive's order whatever the order asked; damaged data
  // still goes out whole, and is named.
  const testcli::Run printed =
      testcli::RunCli({"print", "bad.h4r", "crc.bin", "sub\\good.bin"}, true);
  EXPECT_EQ(printed.Status, 1);
  EXPECT_TRUE(printed.Out == binary + big) << printed.Out.size();
  EXPECT_NE(printed.Err.find("crc.bin: damaged: CRC-32"), std::string::npos) << printed.Err;
  std::filesystem::current_path(before);
}
