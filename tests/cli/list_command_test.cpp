#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "tests/cli/cli_runner.h"
#include "tests/extract/file_names.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

using testarchive::Archive;
using testarchive::Entry;
using testcli::RunCli;

namespace {

Archive EveryKind() {
  Archive a;
  Entry stored;
  stored.name = "layers.button.cancel.h4r";
  stored.path = "C:\\Heroes 4\\Assets\\layers\\button";
  stored.data = "0123456789";
  stored.spare = 4000000000u;
  Entry deflated;
  deflated.name = "\xF2\xE0\xE1\xEB\xE8\xF6\xE0.txt";  // "таблица.txt" in code page 1251
  deflated.path = "data \"q\"";
  deflated.data = std::string(1500, 'x');
  deflated.compression = 3;
  Entry empty;
  empty.name = "sound.empty.wav";
  empty.path = "dropped";
  empty.storedSize = 0;
  empty.size = -7;
  empty.tailMarker = 2;
  Entry unknown;
  unknown.name = "odd\x01name";
  unknown.data = "z";
  unknown.compression = 9;
  a.entries = {stored, deflated, empty, unknown};
  return a;
}

}  // namespace

TEST(CliList, JsonReportsEveryFieldInBothPathModes) {
  testarchive::TempFolder dir;
  const std::string file = dir / "every.h4r";
  const std::string bytes = testarchive::Build(EveryKind());
  ASSERT_TRUE(testarchive::WriteFileBytes(file, bytes));
  const size_t firstData = bytes.find("0123456789");

  const auto formed = RunCli({"list", "--json", file});
  EXPECT_EQ(formed.Status, 0) << formed.Err;
  EXPECT_EQ(formed.Err, "");
  const std::string& j = formed.Out;
  EXPECT_NE(j.find("\"complete\":true,\"declared_count\":4,\"entry_count\":4,"
                   "\"compressed_count\":1,\"empty_count\":1,\"total_size\":1504,"),
            std::string::npos)
      << j;
  EXPECT_NE(j.find("{\"index\":1,\"name\":\"cancel.h4r\",\"path\":\"layers\\\\button\\\\\","
                   "\"offset\":" +
                   std::to_string(firstData) +
                   ",\"stored_size\":10,\"size\":10,\"spare\":4000000000,"
                   "\"name_len\":10,\"path_len\":14,\"tail_marker\":0,\"compression\":1}"),
            std::string::npos)
      << j;
  EXPECT_NE(j.find("{\"index\":2,\"name\":\"таблица.txt\",\"path\":\"\","), std::string::npos);
  EXPECT_NE(j.find("\"compression\":3}"), std::string::npos);
  EXPECT_NE(j.find("{\"index\":3,\"name\":\"empty.wav\",\"path\":\"sound\\\\\","), std::string::npos);
  EXPECT_NE(j.find("\"stored_size\":0,\"size\":-7,\"spare\":0,\"name_len\":9,\"path_len\":6,"
                   "\"tail_marker\":2,\"compression\":0}"),
            std::string::npos)
      << j;
  EXPECT_NE(j.find("\"name\":\"odd\\u0001name\""), std::string::npos);
  EXPECT_NE(j.find("\"compression\":9}"), std::string::npos);

  const auto stored = RunCli({"list", "--stored-paths", "--json", file});
  EXPECT_EQ(stored.Status, 0);
  EXPECT_NE(stored.Out.find("\"name\":\"layers.button.cancel.h4r\","
                            "\"path\":\"C:\\\\Heroes 4\\\\Assets\\\\layers\\\\button\""),
            std::string::npos)
      << stored.Out;
  EXPECT_NE(stored.Out.find("\"path\":\"data \\\"q\\\"\""), std::string::npos);
  EXPECT_NE(stored.Out.find("\"name\":\"sound.empty.wav\",\"path\":\"\",\"offset\""),
            std::string::npos);
}

TEST(CliList, TableShowsTheColumnsAndThePanelCounts) {
  testarchive::TempFolder dir;
  Archive a = EveryKind();
  for (int k = 0; k < 1200; ++k) {
    Entry e;
    e.name = "bulk." + std::to_string(k) + ".bin";
    e.data = std::string(1000, 'b');
    e.compression = k % 2 == 0 ? 3 : 1;
    a.entries.push_back(e);
  }
  const std::string file = dir / "big.h4r";
  ASSERT_TRUE(testarchive::WriteFileBytes(file, testarchive::Build(a)));
  const auto run = RunCli({"list", file});
  EXPECT_EQ(run.Status, 0);
  const std::string& out = run.Out;
  EXPECT_EQ(out.rfind("Имя файла", 0), 0u) << out.substr(0, 200);
  EXPECT_NE(out.find("Путь"), std::string::npos);
  EXPECT_NE(out.find("Сжатый"), std::string::npos);
  EXPECT_NE(out.find("Да\n"), std::string::npos);
  EXPECT_NE(out.find("Нет\n"), std::string::npos);
  EXPECT_NE(out.find("N/A\n"), std::string::npos);
  EXPECT_NE(out.find("ERROR\n"), std::string::npos);
  EXPECT_NE(out.find("odd?name"), std::string::npos);  // no control bytes reach the terminal
  EXPECT_NE(out.find("Всего файлов:  1,204\n"), std::string::npos) << out.substr(out.size() - 300);
  EXPECT_NE(out.find("Сжатых:        601\n"), std::string::npos);
  EXPECT_NE(out.find("Пустых:        1\n"), std::string::npos);
  EXPECT_NE(out.find("Общий размер:  1,201,504\n"), std::string::npos);
  // "Размер" stays ungrouped.
  EXPECT_NE(out.find(" 1500  Да"), std::string::npos);
}

TEST(CliList, DamagedAndMissingArchivesAndUsage) {
  testarchive::TempFolder dir;
  const std::string file = dir / "every.h4r";
  ASSERT_TRUE(testarchive::WriteFileBytes(file, testarchive::Build(EveryKind())));
  const auto missing = RunCli({"list", dir / "nothing.h4r"});
  EXPECT_EQ(missing.Status, 2);
  EXPECT_NE(missing.Err.find("nothing.h4r"), std::string::npos);
  EXPECT_EQ(missing.Out, "");

  EXPECT_EQ(RunCli({"list"}).Status, 2);
  EXPECT_EQ(RunCli({"list", "--bogus", file}).Status, 2);
  EXPECT_EQ(RunCli({"frobnicate"}).Status, 2);
  const auto help = RunCli({"--help"});
  EXPECT_EQ(help.Status, 0);
  EXPECT_NE(help.Out.find("list"), std::string::npos);
  EXPECT_EQ(RunCli({"--version"}).Out, "tarnwick-cli 1.01\n");
}

TEST(CliList, HelpOnEveryCommandAndAnEndToTheOptions) {
  testarchive::TempFolder dir;
  ASSERT_TRUE(testarchive::WriteFileBytes(dir / "-x.h4r", testarchive::Build(EveryKind())));
  const auto before = std::filesystem::current_path();
  std::filesystem::current_path(testextract::FsPath(dir.Path()));
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out, err;  // texts the output holds; no error output at all when err is empty
  } cases[] = {
      {{"list", "--help"}, 0, "usage: tarnwick-cli list", ""},
      {{"list", "--json", "-h"}, 0, "--stored-paths", ""},
      {{"extract", "--help"}, 0, "usage: tarnwick-cli extract", ""},
      {{"extract", "-h", "missing.h4r"}, 0, "--case-sensitive", ""},
      {{"list", "--", "-x.h4r"}, 0, "Всего файлов:  4\n", ""},
      {{"list", "-x.h4r"}, 2, "", "unknown option -x.h4r"},
      {{"extract", "--quiet", "--match", "cancel", "--", "-x.h4r", "--out"}, 0, "", ""},
      {{"--help"}, 0, "--jobs N", ""},
  };
  for (const Case& c : cases) {
    const auto run = RunCli(c.args);
    EXPECT_EQ(run.Status, c.status) << c.args.back() << "\n" << run.Err;
    EXPECT_NE(run.Out.find(c.out), std::string::npos) << c.args.back() << "\n" << run.Out;
    EXPECT_TRUE(c.err.empty() ? run.Err.empty() : run.Err.find(c.err) != std::string::npos)
        << c.args.back() << "\n"
        << run.Err;
  }
  EXPECT_EQ(testextract::ReadBack(dir / "--out\\layers\\button\\cancel.h4r"), "0123456789");
  const std::string help = RunCli({"--help"}).Out;
  for (const char* option :
       {"--stored-paths", "--json", "--keep-empty", "--compressed-only", "--match", "--in",
        "--case-sensitive", "--quiet", "--jobs", "--version"}) {
    EXPECT_NE(help.find(option), std::string::npos) << option;
  }
  std::filesystem::current_path(before);
}

TEST(CliList, WhatIsNotAnArchiveIsSaidSo) {
  testarchive::TempFolder dir;
  Archive a = EveryKind();
  struct Case {
    const char* title;
    std::string file;
    std::optional<int32_t> count;
    int status;
    std::string out, err;
  } cases[] = {
      // The first bytes of a text file make a count of two billion.
      {"text", dir / "passwd", 1916416058, 1, "Всего файлов:  4\n",
       "does not look like an .h4r archive: its header declares 1916416058 entries"},
      {"cut", dir / "cut.h4r", 6, 1, "Всего файлов:  4\n",
       "is damaged: its directory ends early, 4 of 6"},
      {"folder", dir / "folder.h4r", std::nullopt, 2, "", "tarnwick-cli: cannot open"},
  };
  for (const Case& c : cases) {
    if (c.count) {
      a.count = c.count;
      ASSERT_TRUE(testarchive::WriteFileBytes(c.file, testarchive::Build(a)));
    } else {
      std::filesystem::create_directory(testextract::FsPath(c.file));
    }
    const auto run = RunCli({"list", c.file});
    EXPECT_EQ(run.Status, c.status) << c.title << "\n" << run.Err;
    EXPECT_NE(run.Out.find(c.out), std::string::npos) << c.title << "\n" << run.Out;
    EXPECT_NE(run.Err.find(c.err), std::string::npos) << c.title << "\n" << run.Err;
  }
#ifndef _WIN32
  // A pipe is no archive either, and nobody writing to it must not keep the
  // program waiting. Should it wait, a writer comes after a while and leaves
  // at once, so that the test ends either way.
  const std::string fifo = dir / "pipe.h4r";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::mutex m;
  std::condition_variable cv;
  bool finished = false;
  std::thread rescue([&] {
    std::unique_lock<std::mutex> lock(m);
    while (!cv.wait_for(lock, std::chrono::seconds(5), [&] { return finished; })) {
      const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
      if (fd >= 0) close(fd);
    }
  });
  const auto run = RunCli({"list", fifo});
  {
    std::lock_guard<std::mutex> lock(m);
    finished = true;
  }
  cv.notify_one();
  rescue.join();
  EXPECT_EQ(run.Status, 2) << run.Err;
  EXPECT_NE(run.Err.find("tarnwick-cli: cannot open"), std::string::npos) << run.Err;
#endif
}
