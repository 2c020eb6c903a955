#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "kol/file_backend.h"
#include "kol/stream.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

using namespace kol;
using kol::fs::CurrentDirectory;
using kol::fs::IsExistingDirectory;
using kol::fs::MakeDirectory;
using testarchive::ReadFileBytes;
using testarchive::TempFolder;
using testarchive::WriteFileBytes;

namespace {

std::string ReadAll(Stream& s, uint32_t count) {
  std::string out(count, '\0');
  out.resize(s.Read(out.data(), count));
  return out;
}

}  // namespace

TEST(MemoryStream, GrowsOnWriteAndSeekAndCutsReadsAtTheEnd) {
  StreamPtr m = CreateMemoryStream();
  EXPECT_EQ(m->Memory(), nullptr);
  EXPECT_EQ(StreamSize(*m), 0u);

  EXPECT_EQ(StreamWrite(*m, "hello", 5), 5u);
  EXPECT_EQ(StreamSize(*m), 5u);
  EXPECT_EQ(StreamPosition(*m), 5u);

  // Seeking past the end grows the stream; the new bytes read as zeros.
  EXPECT_EQ(StreamSeek(*m, 3, kFromEnd), 8u);
  EXPECT_EQ(StreamSize(*m), 8u);
  EXPECT_EQ(StreamSeek(*m, 0, kFromBeginning), 0u);
  EXPECT_EQ(ReadAll(*m, 100), std::string("hello\0\0\0", 8));
  char c;
  EXPECT_EQ(StreamRead(*m, &c, 1), 0u);

  // Shrinking pulls the position back to the new end; size 0 keeps the block.
  m->SetSize(2);
  EXPECT_EQ(StreamPosition(*m), 2u);
  m->SetSize(0);
  EXPECT_EQ(StreamSize(*m), 0u);
  EXPECT_NE(m->Memory(), nullptr);

  // Writing in the middle overwrites and only grows when it runs past the end.
  m->SetSize(0);
  StreamWrite(*m, "abcdef", 6);
  StreamSeek(*m, 2, kFromBeginning);
  StreamWrite(*m, "XYZW", 4);
  StreamSeek(*m, -6, kFromCurrent);
  EXPECT_EQ(ReadAll(*m, 10), "abXYZW");
}

TEST(FileStreams, WriteStreamEndsTheFileAtEveryWriteAndLeavesUntouchedFilesAlone) {
  TempFolder dir;
  const std::string name = dir / "file.bin";
  ASSERT_TRUE(WriteFileBytes(name, std::string(100, 'x')));

  // Opening without writing keeps the old content.
  { StreamPtr w = CreateWriteStream(name); ASSERT_TRUE(w->IsOpen()); }
  EXPECT_EQ(ReadFileBytes(name)->size(), 100u);

  // Ten bytes over a hundred leave a ten-byte file.
  {
    StreamPtr w = CreateWriteStream(name);
    EXPECT_EQ(StreamWrite(*w, "0123456789", 10), 10u);
  }
  EXPECT_EQ(*ReadFileBytes(name), "0123456789");

  // A write of nothing still cuts the file where the position stands.
  {
    StreamPtr w = CreateWriteStream(name);
    EXPECT_EQ(StreamWrite(*w, "", 0), 0u);
  }
  EXPECT_EQ(ReadFileBytes(name)->size(), 0u);

  // Writing after a seek back ends the file there, also in a file this
  // stream has just made longer.
  {
    StreamPtr w = CreateWriteStream(name);
    StreamWrite(*w, "abcdef", 6);
    EXPECT_EQ(StreamSeek(*w, 2, kFromBeginning), 2u);
    StreamWrite(*w, "X", 1);
  }
  EXPECT_EQ(*ReadFileBytes(name), "abX");

  // A missing file is created.
  {
    StreamPtr w = CreateWriteStream(dir / "new.bin");
    StreamWrite(*w, "abc", 3);
  }
  EXPECT_EQ(*ReadFileBytes(dir / "new.bin"), "abc");
}

TEST(FileStreams, ReadStreamSeeksAndReadsAndFailsQuietlyOnAMissingFile) {
  TempFolder dir;
  const std::string name = dir / "data.bin";
  ASSERT_TRUE(WriteFileBytes(name, "0123456789"));

  StreamPtr r = OpenReadStream(name);
  ASSERT_TRUE(r->IsOpen());
  EXPECT_EQ(StreamSize(*r), 10u);
  EXPECT_EQ(StreamSeek(*r, 4, kFromBeginning), 4u);
  EXPECT_EQ(ReadAll(*r, 3), "456");
  EXPECT_EQ(StreamSeek(*r, -2, kFromEnd), 8u);
  EXPECT_EQ(ReadAll(*r, 100), "89");  // a short read at the end
  EXPECT_EQ(StreamSeek(*r, -1, kFromBeginning), kStreamError);
  EXPECT_EQ(StreamWrite(*r, "x", 1), kStreamError);

  StreamPtr missing = OpenReadStream(dir / "missing.bin");
  EXPECT_FALSE(missing->IsOpen());
  char buffer[4];
  EXPECT_EQ(StreamRead(*missing, buffer, 4), 0u);
  EXPECT_EQ(StreamSize(*missing), kStreamError);
  EXPECT_EQ(StreamSeek(*missing, 0, kFromBeginning), kStreamError);

  // A folder is not a file.
  EXPECT_FALSE(OpenReadStream(dir.Path())->IsOpen());
  EXPECT_FALSE(CreateWriteStream(dir.Path())->IsOpen());
}

// Nothing but a regular file is an archive: a folder, a device or a pipe is
// refused at once, with the reason, and a FIFO nobody writes to does not
// keep the program waiting.
TEST(FileStreams, ReadStreamOpensRegularFilesOnly) {
  TempFolder dir;
  ASSERT_TRUE(WriteFileBytes(dir / "file", "data"));
#ifdef _WIN32
  const std::string device = "NUL";
#else
  const std::string device = "/dev/null";
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0666), 0);
#endif
  struct Case {
    std::string name;
    std::string reason;  // empty: opens; "*": any reason
  } cases[] = {
      {dir / "file", ""},
      {dir / "missing", "*"},
      {dir.Path(), "*"},
      {device, "not a regular file"},
#ifndef _WIN32
      {dir / "fifo", "not a regular file"},
#endif
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string whyNot;
    StreamPtr s = OpenReadStream(c.name, &whyNot);
    EXPECT_EQ(s->IsOpen(), c.reason.empty());
    if (c.reason == "*") {
      EXPECT_FALSE(whyNot.empty());
    } else {
      EXPECT_EQ(whyNot, c.reason);
    }
    EXPECT_EQ(StreamSize(*s), c.reason.empty() ? 4u : kStreamError);
  }
}

TEST(FileStreams, BackslashesSeparateFoldersOnEverySystem) {
  TempFolder dir;
  ASSERT_TRUE(MakeDirectory(dir.Path() + "\\sub"));
  EXPECT_TRUE(IsExistingDirectory(dir.Path() + "\\sub\\"));
  { StreamPtr w = CreateWriteStream(dir.Path() + "\\sub\\f.txt"); StreamWrite(*w, "ok", 2); }
  EXPECT_EQ(*ReadFileBytes(dir / ("sub" + std::string(1, testarchive::Separator()) + "f.txt")), "ok");

  EXPECT_FALSE(MakeDirectory(dir.Path() + "\\sub"));  // exists already
  EXPECT_FALSE(MakeDirectory(dir.Path() + "\\a\\b"));  // one level only
  EXPECT_FALSE(MakeDirectory(""));
  EXPECT_FALSE(IsExistingDirectory(""));
  EXPECT_FALSE(IsExistingDirectory(dir.Path() + "\\sub\\f.txt"));
  EXPECT_FALSE(CurrentDirectory().empty());
  EXPECT_TRUE(IsExistingDirectory(CurrentDirectory()));
}

TEST(CopyStreamBytes, CopiesBetweenEveryKindAndCountsWhatArrived) {
  TempFolder dir;
  std::string big(3 * kCopyChunk + 17, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 1000);
  ASSERT_TRUE(WriteFileBytes(dir / "big.bin", big));

  // File to file, through the bounded buffer, more than one chunk.
  {
    StreamPtr src = OpenReadStream(dir / "big.bin");
    StreamPtr dst = CreateWriteStream(dir / "copy.bin");
    EXPECT_EQ(CopyStreamBytes(*dst, *src, static_cast<uint32_t>(big.size())), big.size());
  }
  EXPECT_EQ(*ReadFileBytes(dir / "copy.bin"), big);

  // A count beyond the source's end copies what there is.
  {
    StreamPtr src = OpenReadStream(dir / "big.bin");
    StreamSeek(*src, static_cast<int32_t>(big.size() - 5), kFromBeginning);
    StreamPtr dst = CreateWriteStream(dir / "tail.bin");
    EXPECT_EQ(CopyStreamBytes(*dst, *src, 0x7FFFFFFF), 5u);
  }
  EXPECT_EQ(*ReadFileBytes(dir / "tail.bin"), big.substr(big.size() - 5));

  // File into memory: the memory stream grows in place; then memory to file.
  StreamPtr mem = CreateMemoryStream();
  StreamWrite(*mem, "\x78\x9c", 2);
  {
    StreamPtr src = OpenReadStream(dir / "big.bin");
    EXPECT_EQ(CopyStreamBytes(*mem, *src, 1000), 1000u);
  }
  EXPECT_EQ(StreamSize(*mem), 1002u);
  EXPECT_EQ(std::memcmp(mem->Memory() + 2, big.data(), 1000), 0);
  StreamSeek(*mem, 2, kFromBeginning);
  {
    StreamPtr dst = CreateWriteStream(dir / "frommem.bin");
    EXPECT_EQ(CopyStreamBytes(*dst, *mem, 5000), 1000u);  // cut to what the memory holds
    EXPECT_EQ(StreamPosition(*mem), 1002u);
  }
  EXPECT_EQ(*ReadFileBytes(dir / "frommem.bin"), big.substr(0, 1000));

  // A copy of nothing onto an existing file still cuts it.
  ASSERT_TRUE(WriteFileBytes(dir / "old.bin", "old content"));
  {
    StreamPtr src = OpenReadStream(dir / "big.bin");
    StreamPtr dst = CreateWriteStream(dir / "old.bin");
    EXPECT_EQ(CopyStreamBytes(*dst, *src, 0), 0u);
  }
  EXPECT_EQ(ReadFileBytes(dir / "old.bin")->size(), 0u);
}
