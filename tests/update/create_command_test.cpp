// tarnwick-cli create, as a modder uses it: a folder laid out as extract
// writes it becomes an archive that extract gives back exactly.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

#include "tests/cli/cli_runner.h"
#include "tests/support/sample_archive.h"

namespace {

using testcli::RunCli;
using testcli::Tree;

// Writes a file by its UTF-8 name, Cyrillic and all, on every system.
bool WriteUtf8(const std::string& name, const std::string& data) {
  const std::filesystem::path path = testextract::FsPath(name);
  std::filesystem::create_directories(path.parent_path());
  std::ofstream file(path, std::ios::binary);
  return file.write(data.data(), std::streamsize(data.size())).flush().good();
}

// A folder of files with random names, contents and times below random
// folders: dots only in the extensions, so that the dotted names give the
// folders back.
void RandomTree(const std::string& root, unsigned seed) {
  std::mt19937 rng(seed);
  const char* folders[] = {"", "a/", "a/b/", "c/", "Дракон/"};
  for (int k = 0, n = 1 + rng() % 20; k < n; ++k) {
    const std::string name =
        folders[rng() % 5] + std::string("f") + std::to_string(k) + (rng() % 4 ? ".txt" : ".h4d");
    std::string data(rng() % 3 ? rng() % 3000 : 0, '\0');
    for (char& c : data) c = static_cast<char>(rng() % 3 ? 'a' + rng() % 4 : rng());
    ASSERT_TRUE(WriteUtf8(root + "/" + name, data));
  }
}

// Runs the command, with --stored-paths after its name when `storedPaths`.
testcli::Run RunInMode(bool storedPaths, std::vector<std::string> args) {
  if (storedPaths) args.insert(args.begin() + 1, "--stored-paths");
  return RunCli(args);
}

TEST(CreateCommand, ExtractGivesBackTheFolderItWasMadeFrom) {
  for (unsigned seed = 0; seed <= 6; ++seed) {
    SCOPED_TRACE(seed);
    testarchive::TempFolder dir;
    const std::string from = dir / "from", made = dir / "made.h4r", again = dir / "again";
    if (seed == 0) {
      // The sample, as it unpacks; an alias comes back as a file of its own.
      ASSERT_TRUE(testarchive::WriteFileBytes(dir / "s.h4r",
                                              testarchive::Build(testarchive::SampleArchive())));
      ASSERT_EQ(RunCli({"extract", "--quiet", dir / "s.h4r", from}).Status, 0);
    } else {
      RandomTree(from, seed);
      ASSERT_TRUE(testarchive::WriteFileBytes(from + "/zeros.dat", std::string(1 << 16, '\0')));
    }
    const auto create = [&](unsigned jobs, const std::string& archive) {
      return RunInMode(seed % 2, {"create", "--jobs", std::to_string(jobs), "--level",
                                  std::to_string(seed % 10), "--store", "**/*.h4d", archive, from});
    };
    ASSERT_EQ(create(1 + seed % 3, made).Status, 0);
    ASSERT_EQ(RunInMode(seed % 2, {"extract", "--quiet", made, again}).Status, 0);
    EXPECT_EQ(Tree(again), Tree(from));
    EXPECT_EQ(RunCli({"test", made}).Status, 0);
    // What deflate shrinks is stored shrunk: a member keeps no room it did not use.
    const std::string listed = RunCli({"list", "--json", made}).Out;
    const size_t zeros = listed.find("\"stored_size\":", listed.find("\"name\":\"zeros.dat\""));
    EXPECT_TRUE(seed == 0 || std::stoul(listed.substr(zeros + 14)) < 4096) << listed;
    // Whatever the threads, the same bytes; the files keep their times.
    ASSERT_EQ(create(1, dir / "one.h4r").Status, 0);
    EXPECT_EQ(testarchive::ReadFileBytes(dir / "one.h4r"), testarchive::ReadFileBytes(made));
    for (const auto& [name, content] : Tree(from)) {
      if (name.back() == '/') continue;
      EXPECT_EQ(testextract::FileTime(again + "/" + name), testextract::FileTime(from + "/" + name))
          << name;
    }
  }
}

TEST(CreateCommand, AFileThatCannotGoIntoARecordIsNamedAndNothingIsWritten) {
  // Each file, the mode, and a piece of the reason.
  // clang-format off
  const struct { std::string File; bool Stored; std::string Reason; } cases[] = {
      {"a.b/c.txt", false, "dots of its name as folders"},
      {"a/noext", false, "dots of its name as folders"},
      {std::string(250, 'n') + ".txt", true, "longer than a record holds"},
      {"日本.txt", false, "not in code page 1251"},
#ifndef _WIN32
      // Windows's own file systems cannot hold both, nor a path this long
      // below the temporary folder.
      {"X.TXT", false, "forms the same name as"},
      {"d/" + std::string(245, 'p') + "/x.txt", true, "longer than a record holds"},
#endif
  };
  // clang-format on
  for (const auto& c : cases) {
    SCOPED_TRACE(c.File);
    testarchive::TempFolder dir;
    const std::string from = dir / "from";
    // update --add refuses the file as create does, beside an archive of x.txt.
    ASSERT_TRUE(WriteUtf8(from + "/x.txt", "data"));
    ASSERT_EQ(RunInMode(c.Stored, {"create", dir / "x.h4r", from}).Status, 0);
    const std::optional<std::string> made = testarchive::ReadFileBytes(dir / "x.h4r");
    ASSERT_TRUE(WriteUtf8(from + "/" + c.File, "data"));
    for (std::vector<std::string> args : {std::vector<std::string>{"create", dir / "new.h4r", from},
                                          {"update", "--add", dir / "x.h4r", from}}) {
      const testcli::Run run = RunInMode(c.Stored, args);
      EXPECT_EQ(run.Status, 1);
      EXPECT_NE(run.Err.find(c.Reason), std::string::npos) << run.Err;
    }
    EXPECT_EQ(testarchive::ReadFileBytes(dir / "x.h4r"), made);
    // Nothing beside the folder and the archive: no new archive, no temporary file.
    EXPECT_EQ(Tree(dir.Path()).size(), Tree(from).size() + 2);
  }
}

}  // namespace
