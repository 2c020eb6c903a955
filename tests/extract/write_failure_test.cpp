// Unpacking under the system's limits, lowered for the test: a file size
// cap fails a write part way, as a full disk does; a low limit on open files
// meets a run through many folders.
#include <gtest/gtest.h>

#include "archive/directory_reader.h"
#include "extract/entry_extraction.h"
#include "tests/extract/file_names.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_system.h"

using testarchive::MakeEntry;

// A failed write costs the entry whose file could not be written whole, and
// nothing else: what it left is removed, so that the next entry finds the
// room, and the next entry is written.
TEST(ExtractEntry, AWriteThatFailsRemovesWhatItLeftAndTheNextEntryIsWritten) {
  const std::string big(600 << 10, 'b'), small(100 << 10, 's');
  const testarchive::Archive a{.Entries = {MakeEntry("big", "", big), MakeEntry("small", "", small),
                                           MakeEntry("big.gz", "", big, 3),
                                           MakeEntry("small.gz", "", small, 3)}};
  testarchive::TempFolder dir;
  ASSERT_TRUE(testarchive::WriteFileBytes(dir / "a.h4r", testarchive::Build(a)));
  io::StreamPtr archive = io::OpenReadStream(dir / "a.h4r");
  archive::EntryTable table;
  archive::ReadDirectory(*archive, table);
  ASSERT_EQ(table.size(), 4u);

  testsystem::ProcessLimit limit(testsystem::Limit::FileSize, 300 << 10);
  if (!limit.Active()) GTEST_SKIP() << "no file size limit on this system";
  for (const bool ahead : {false, true}) {
    SCOPED_TRACE(ahead ? "read ahead" : "read by the writer");
    const std::string out = dir / (ahead ? "ahead" : "own");
    extract::OutputTree tree(out);  // which makes the folder
    for (archive::ArchiveEntry e : table) {
      extract::UnpackedData data;
      ASSERT_TRUE(!ahead || extract::UnpackAhead(*archive, e, data));
      const extract::ExtractOutcome o =
          extract::ExtractEntry(*archive, e, tree, ahead ? &data : nullptr);
      const bool fits = e.Name[0] == 's';
      EXPECT_EQ(o.Kind, fits ? extract::Problem::None : extract::Problem::WriteFailed) << e.Name;
      EXPECT_EQ(o.Removed, !fits) << e.Name;
      EXPECT_EQ(testextract::ReadBack(out + "\\" + e.Name),
                fits ? std::optional<std::string>(small) : std::nullopt);
    }
  }
}

// A run through many folders holds a bounded number of them open, whatever
// the process's limit on open files: every entry is written where it goes,
// and no more than half the limit is ever taken.
TEST(OutputTree, ManyFoldersUnderALowLimitOnOpenFiles) {
  testarchive::Archive a;
  // Each folder twice, the second time long since let go.
  for (int k = 0; k < 600; ++k)
    a.Entries.push_back(MakeEntry(k < 300 ? "f" : "g", "d" + std::to_string(k % 300) + "\\e", "x"));
  testarchive::TempFolder dir;
  ASSERT_TRUE(testarchive::WriteFileBytes(dir / "a.h4r", testarchive::Build(a)));
  io::StreamPtr archive = io::OpenReadStream(dir / "a.h4r");
  archive::EntryTable table;
  archive::ReadDirectory(*archive, table);
  testsystem::ProcessLimit limit(testsystem::Limit::OpenFiles, 64);
  if (!limit.Active()) GTEST_SKIP() << "no limit on open files on this system";
  extract::OutputTree tree(dir / "out");
  long written = 0, most = 0;  // most: descriptors open at once, where the system lists them
  for (archive::ArchiveEntry e : table) {
    written += extract::ExtractEntry(*archive, e, tree).Kind == extract::Problem::None;
    std::error_code ignored;
    most = std::max(most, long(std::distance(
                              std::filesystem::directory_iterator("/proc/self/fd", ignored), {})));
  }
  EXPECT_EQ(written, 600);
  EXPECT_LE(most, 64 / 2 + 16);  // half the limit for folders, a few for the rest
  for (int k = 0; k < 300; k += 7) {
    const std::string folder = dir / "out" + "\\d" + std::to_string(k) + "\\e\\";
    EXPECT_TRUE(testextract::ReadBack(folder + "f") && testextract::ReadBack(folder + "g")) << k;
  }
}
