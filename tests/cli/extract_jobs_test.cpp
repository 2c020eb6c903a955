#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sstream>

#include "tests/cli/cli_runner.h"
#include "tests/extract/file_names.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

using testarchive::Archive;
using testarchive::Entry;
using testcli::RunCli;

namespace {

// Every file below `folder` with its content, in name order.
std::string TreeWithContents(const std::string& folder) {
  std::istringstream names(testextract::Listing(folder));
  std::string out;
  for (std::string name; std::getline(names, name);) {
    out += name;
    if (const auto bytes = testextract::ReadBack(folder + "/" + name)) {
      out += " = " + std::to_string(bytes->size()) + ":" + std::to_string(testarchive::Crc32(*bytes));
    }
    out += "\n";
  }
  return out;
}

// Many entries in few folders, with names that collide exactly, by case
// alone, and by a later entry that writes nothing over an earlier one.
Archive Colliding(unsigned seed) {
  std::mt19937 gen(seed);
  Archive a;
  const char* folders[] = {"layers", "sound", "icons", "Layers", "layers.sub", "tables"};
  for (int k = 0; k < 1500; ++k) {
    Entry e;
    e.name = std::string(folders[gen() % 6]) + ".x" + std::to_string(gen() % 400) +
             (gen() % 2 ? ".h4r" : ".H4R");
    e.data = std::string(gen() % 3000, static_cast<char>('a' + gen() % 26));
    e.compression = gen() % 3 == 0 ? 1 : 3;
    if (gen() % 50 == 0) e.compression = 0;  // leaves an existing file as it was
    if (gen() % 40 == 0) {
      e.data.clear();
      e.storedSize = 0;
    }
    a.entries.push_back(e);
  }
  return a;
}

}  // namespace

TEST(CliExtractJobs, SeveralThreadsLeaveExactlyWhatOneThreadLeaves) {
  testarchive::TempFolder dir;
  for (unsigned seed : {1u, 2u}) {
    const std::string archive = dir / ("a" + std::to_string(seed) + ".h4r");
    ASSERT_TRUE(testarchive::WriteFileBytes(archive, testarchive::Build(Colliding(seed))));
    const std::string one = dir / ("one" + std::to_string(seed));
    const std::string four = dir / ("four" + std::to_string(seed));
    const auto a = RunCli({"extract", "--keep-empty", "--jobs", "1", archive, one});
    const auto b = RunCli({"extract", "--keep-empty", "--jobs", "4", archive, four});
    EXPECT_EQ(a.Status, b.Status);
    EXPECT_EQ(a.Out, b.Out);
    const std::string tree = TreeWithContents(one);
    EXPECT_GT(tree.size(), 1000u);
    EXPECT_EQ(tree, TreeWithContents(four)) << "seed " << seed;
  }
  EXPECT_EQ(RunCli({"extract", "--jobs", "0", "x.h4r"}).Status, 2);
  EXPECT_EQ(RunCli({"extract", "--jobs", "many", "x.h4r"}).Status, 2);
}
