#include <gtest/gtest.h>

#include "io/stream.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

#ifndef _WIN32
#include <sys/stat.h>

#include <fstream>
#endif

using namespace io;
using testarchive::ReadFileBytes;

static std::string ReadAll(Stream& s, uint32_t count) {
  std::string out(count, '\0');
  out.resize(s.Read(out.data(), count));
  return out;
}

TEST(Streams, MemoryGrowsOnWriteAndSeekAndReadsUpToItsEnd) {
  StreamPtr m = CreateMemoryStream();
  EXPECT_EQ(StreamWrite(*m, "hello", 5), 5u);
  EXPECT_EQ(StreamSeek(*m, 3, kFromEnd) + StreamSize(*m), 16u);  // the new bytes read as zeros
  EXPECT_EQ(StreamSeek(*m, -6, kFromCurrent), 2u);
  EXPECT_EQ(StreamWrite(*m, "LLOWORLD", 8), 8u);  // overwrites, then grows
  StreamSeek(*m, 0, kFromBeginning);
  EXPECT_EQ(ReadAll(*m, 100), "heLLOWORLD");
  m->SetSize(2);  // pulls the position back to the end
  EXPECT_EQ(ReadAll(*m, 1), "");
}

// A write stream ends its file behind every write, and leaves a file it
// writes nothing to as it was; only regular files are read.
TEST(Streams, FilesAreWrittenAndReadAsTheProgramExpects) {
  testarchive::TempFolder dir;
  const std::string name = dir.Path() + "\\file";  // "\" separates on every system
  StreamPtr w = CreateWriteStream(name);
  EXPECT_EQ(StreamWrite(*w, "0123456789", 10), 10u);
  EXPECT_EQ(StreamSeek(*w, -1, kFromBeginning), kStreamError);
  StreamWrite(*w, "ab", 2);
  EXPECT_EQ(StreamSeek(*w, 8, kFromBeginning), 8u);
  StreamWrite(*w, "X", 1);
  w.reset();
  CreateWriteStream(name);  // opened, nothing written: the content stays
  EXPECT_EQ(ReadFileBytes(dir / "file"), "01234567X");
  StreamPtr r = OpenReadStream(name);
  EXPECT_EQ(StreamSize(*r), 9u);
  EXPECT_EQ(StreamSeek(*r, -3, kFromEnd), 6u);
  EXPECT_EQ(ReadAll(*r, 100), "67X");
  EXPECT_EQ(StreamWrite(*r, "x", 1), kStreamError);
  r.reset();
  EXPECT_EQ(StreamWrite(*CreateWriteStream(name), "", 0), 0u);
  EXPECT_EQ(ReadFileBytes(dir / "file"), "");
  // Nothing but a regular file is an archive; a FIFO does not keep the
  // program waiting.
#ifdef _WIN32
  const std::string device = "NUL";
#else
  const std::string device = "/dev/null";
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0666), 0);
  EXPECT_FALSE(OpenReadStream(dir / "fifo")->IsOpen());
#endif
  std::string folder, missing, special;
  r = OpenReadStream(dir / "missing", &missing);
  EXPECT_TRUE(!r->IsOpen() && StreamSize(*r) == kStreamError && ReadAll(*r, 4).empty());
  EXPECT_FALSE(OpenReadStream(dir.Path(), &folder)->IsOpen() ||
               CreateWriteStream(dir.Path())->IsOpen());
  EXPECT_FALSE(OpenReadStream(device, &special)->IsOpen());
  EXPECT_TRUE(!folder.empty() && !missing.empty() && special == "not a regular file");
}

TEST(Streams, CopyStreamBytesCopiesBetweenEveryKindAndCountsWhatArrived) {
  testarchive::TempFolder dir;
  std::string big(3 * kCopyChunk + 17, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 1000);
  ASSERT_TRUE(testarchive::WriteFileBytes(dir / "big", big));
  // From the file "big", at `from` (from its end when negative).
  const auto copy = [&](Stream& to, int32_t from, uint32_t count) {
    StreamPtr source = OpenReadStream(dir / "big");
    StreamSeek(*source, from, from < 0 ? kFromEnd : kFromBeginning);
    return CopyStreamBytes(to, *source, count);
  };
  EXPECT_EQ(copy(*CreateWriteStream(dir / "copy"), 0, uint32_t(big.size())), big.size());
  EXPECT_TRUE(ReadFileBytes(dir / "copy") == big);
  EXPECT_EQ(copy(*CreateWriteStream(dir / "copy"), -5, 0x7FFFFFFF), 5u);
  EXPECT_EQ(ReadFileBytes(dir / "copy"), big.substr(big.size() - 5));
  StreamPtr mem = CreateMemoryStream();  // into memory behind what it holds
  StreamWrite(*mem, "ab", 2);
  EXPECT_EQ(copy(*mem, 0, 1000), 1000u);
  StreamSeek(*mem, 1, kFromBeginning);  // out of memory from the middle
  EXPECT_EQ(CopyStreamBytes(*CreateWriteStream(dir / "copy"), *mem, 5000), 1001u);
  EXPECT_EQ(ReadFileBytes(dir / "copy"), "b" + big.substr(0, 1000));
  EXPECT_EQ(copy(*mem, -5, 1000), 5u);  // a short read leaves no zeros behind it
  EXPECT_EQ(StreamSize(*mem), 1007u);
  EXPECT_EQ(copy(*CreateWriteStream(dir / "copy"), 0, 0), 0u);  // still cuts the file
  EXPECT_EQ(ReadFileBytes(dir / "copy"), "");
}

#ifdef __linux__
// The descriptor table grows when asked to, not only when it fills.
TEST(Streams, ReserveHandlesGrowsTheDescriptorTableAtOnce) {
  const auto tableSize = [] {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word && word != "FDSize:") continue;
    return status >> word ? std::stoul(word) : 0;
  };
  const size_t before = tableSize();
  fs::ReserveHandles(before + 200);
  EXPECT_GT(tableSize(), before + 200);
}
#endif
