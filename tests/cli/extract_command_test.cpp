#include <gtest/gtest.h>

#include <filesystem>

#include "tests/cli/cli_runner.h"
#include "tests/extract/file_names.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

using testarchive::Archive;
using testarchive::Entry;
using testcli::RunCli;
using testextract::Listing;
using testextract::ReadBack;

namespace {

Entry Make(const std::string& name, const std::string& data, uint32_t compression = 1) {
  Entry e;
  e.name = name;
  e.path = "C:\\Heroes 4\\stored";
  e.data = data;
  e.compression = compression;
  return e;
}

Archive Sample() {
  Archive a;
  Entry empty = Make("sound.empty.wav", "");
  empty.storedSize = 0;
  a.entries = {Make("layers.button.cancel.h4r", "cancel"),
               Make("layers.frame.h4r", std::string(70000, 'f'), 3),
               empty,
               Make("\xF2\xE0\xE1\xEB\xE8\xF6\xE0.Button.txt", "table", 3),  // "таблица" in code page 1251
               Make("readme.txt", "read me")};
  return a;
}

struct Files {
  testarchive::TempFolder dir;
  std::string archive = dir / "a.h4r";
  std::string out = dir / "out";
  explicit Files(const Archive& a) { EXPECT_TRUE(testarchive::WriteFileBytes(archive, testarchive::Build(a))); }
};

}  // namespace

TEST(CliExtract, WritesEverythingAndSummarises) {
  Files f(Sample());
  auto run = RunCli({"extract", f.archive, f.out + "/new/deeper"});
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, "4 written, 1 passed over, 0 failed\n");
  EXPECT_EQ(run.Err, "");  // no progress when stderr is no terminal
  EXPECT_EQ(Listing(f.out + "/new/deeper"),
            "layers\nlayers/button\nlayers/button/cancel.h4r\nlayers/frame.h4r\nreadme.txt\n"
            "таблица\nтаблица/Button.txt\n");
  EXPECT_EQ(ReadBack(f.out + "/new/deeper/layers/frame.h4r"), std::string(70000, 'f'));

  // Empty entries too, stored paths, no summary.
  run = RunCli({"extract", "--keep-empty", "--stored-paths", "--quiet", f.archive, f.out + "/stored"});
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, "");
  EXPECT_EQ(ReadBack(f.out + "/stored/C/Heroes 4/stored/layers.button.cancel.h4r"), "cancel");
  EXPECT_EQ(ReadBack(f.out + "/stored/sound.empty.wav"), "");

  // The current directory when no folder is given.
  const auto before = std::filesystem::current_path();
  std::filesystem::create_directory(testextract::FsPath(f.out + "/here"));
  std::filesystem::current_path(testextract::FsPath(f.out + "/here"));
  run = RunCli({"extract", "--match", "readme", f.archive});
  std::filesystem::current_path(before);
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(Listing(f.out + "/here"), "readme.txt\n");
}

TEST(CliExtract, ChoosesByCompressionAndMask) {
  Files f(Sample());
  struct Case {
    std::vector<std::string> options;
    std::string listing;
  };
  const Case cases[] = {
      {{"--compressed-only"}, "layers/frame.h4r\nтаблица/Button.txt\n"},
      {{"--match", "BUTTON"}, "таблица/Button.txt\n"},
      {{"--match", "BUTTON", "--case-sensitive"}, ""},
      {{"--match", "button", "--in", "path"}, "layers/button/cancel.h4r\n"},
      {{"--match", "button", "--in", "both"}, "layers/button/cancel.h4r\nтаблица/Button.txt\n"},
#ifndef _WIN32
      // The test runner hands its command to the Windows shell in the ANSI
      // code page, so non-ASCII masks are tried natively only.
      {{"--match", "таблица", "--in", "path"}, "таблица/Button.txt\n"},
      {{"--match", "ТАБЛИЦА", "--in", "path"}, ""},  // Cyrillic does not fold
      {{"--match", "日本"}, ""},                      // not in code page 1251
#endif
      {{"--match", "read", "--compressed-only"}, "layers/frame.h4r\nreadme.txt\nтаблица/Button.txt\n"},
  };
  int n = 0;
  for (const Case& c : cases) {
    const std::string out = f.out + std::to_string(n++);
    std::vector<std::string> args = {"extract"};
    args.insert(args.end(), c.options.begin(), c.options.end());
    args.push_back(f.archive);
    args.push_back(out);
    const auto run = RunCli(args);
    EXPECT_EQ(run.Status, 0) << run.Err;
    std::string files;
    const std::string all = Listing(out);
    for (size_t start = 0, end; (end = all.find('\n', start)) != std::string::npos; start = end + 1) {
      const std::string line = all.substr(start, end - start);
      if (line.find('.') != std::string::npos) files += line + "\n";
    }
    EXPECT_EQ(files, c.listing) << c.options[0] << " " << c.options[1];
  }
}

TEST(CliExtract, HostileArchiveFailsLoudlyAndStaysInside) {
  Archive a;
  a.entries = {Make("good.txt", "good")};
  Entry climb = Make("evil.txt", "evil");
  climb.path = "..\\..\\outside";
  Entry slash = Make("a/../../evil2.txt", "evil");
  slash.path = "";
  Entry crc = Make("crc.txt", "some text to compress", 3);
  crc.stored = testarchive::GzipMember(crc.data);
  (*crc.stored)[crc.stored->size() - 8] ^= 0x40;
  Entry past = Make("past.bin", "x");
  past.offset = 0x7FFFFFF0u;
  a.entries.insert(a.entries.end(), {climb, slash, crc, past});
  Files f(a);
  const auto run = RunCli({"extract", "--stored-paths", f.archive, f.out});
  EXPECT_EQ(run.Status, 1);
  EXPECT_EQ(run.Out, "1 written, 0 passed over, 4 failed\n");
  EXPECT_NE(run.Err.find("evil.txt -> "), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("outside"), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find(": not written: its path climbs out of the output folder"), std::string::npos);
  EXPECT_NE(run.Err.find("a/../../evil2.txt -> "), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("crc.txt -> "), std::string::npos);
  EXPECT_NE(run.Err.find(": damaged: CRC-32 mismatch"), std::string::npos) << run.Err;
  EXPECT_NE(run.Err.find("past.bin -> "), std::string::npos);
  EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 4) << run.Err;
  EXPECT_EQ(Listing(f.dir.Path()),
            "a.h4r\nout\nout/C\nout/C/Heroes 4\nout/C/Heroes 4/stored\nout/C/Heroes 4/stored/crc.txt\n"
            "out/C/Heroes 4/stored/good.txt\nout/C/Heroes 4/stored/past.bin\n");
}

TEST(CliExtract, UsageErrorsAndDamagedDirectories) {
  Files f(Sample());
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"extract"},
                                             {"extract", "--bogus", f.archive},
                                             {"extract", "--in", "everywhere", f.archive},
                                             {"extract", f.archive, f.out, "extra"},
                                             {"extract", f.archive, "--match"},
                                             {"extract", f.dir / "missing.h4r", f.out}}) {
    const auto run = RunCli(args);
    EXPECT_EQ(run.Status, 2) << args.back();
    EXPECT_NE(run.Err, "") << args.back();
  }
  // An output folder that cannot be made.
  ASSERT_TRUE(testarchive::WriteFileBytes(f.dir / "file", "x"));
  auto run = RunCli({"extract", f.archive, f.dir / "file"});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Err.find("output folder"), std::string::npos) << run.Err;

  // A directory cut short: what was read is written, and the status says so.
  Archive counted = Sample();
  counted.count = 9;
  ASSERT_TRUE(testarchive::WriteFileBytes(f.archive, testarchive::Build(counted)));
  run = RunCli({"extract", f.archive, f.out});
  EXPECT_EQ(run.Status, 1);
  EXPECT_NE(run.Err.find("warning"), std::string::npos) << run.Err;
}
