#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>

#include "archive/directory_reader.h"
#include "extract/decompression_stream.h"
#include "extract/entry_extraction.h"
#include "extract/inflate_copy.h"
#include "extract/progress.h"
#include "extract/unpack_report.h"
#include "extract/whole_inflate.h"
#include "tests/extract/file_names.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

using extract::ExtractStatus;
using extract::Problem;
using testarchive::Entry;
using testarchive::MakeEntry;

constexpr auto W = ExtractStatus::Written, N = ExtractStatus::NotWritten,
               D = ExtractStatus::Damaged;

static io::StreamPtr Memory(const std::string& bytes) {
  io::StreamPtr s = io::CreateMemoryStream();
  io::StreamWrite(*s, bytes.data(), static_cast<uint32_t>(bytes.size()));
  io::StreamSeek(*s, 0, io::kFromBeginning);
  return s;
}

// An entry whose stored bytes, unpacked size or stored size lie.
static Entry Lie(Entry e, std::optional<std::string> stored, std::optional<int32_t> size = {},
                 std::optional<int32_t> storedSize = {}) {
  e.stored = std::move(stored), e.size = size, e.storedSize = storedSize;
  return e;
}

// zlib data as the extraction builds it: a header, then deflate data and
// four check bytes, by default not the Adler-32 zlib would expect.
static std::string ZlibData(const std::string& data, const std::string& check = "1234") {
  return "\x78\x9C" + testarchive::RawDeflate(data) + check;
}

// Every entry is written twice: read by the writer itself, and read ahead as
// other threads do for it; both must give the same file and outcome. Some
// files stand there already with a longer content. The desktop program's
// message at the end names the first few that failed.
TEST(ExtractEntry, WritesWhatTheEntryHoldsOrSaysWhyNot) {
  std::string data, old = "an earlier, longer content";
  for (int k = 0; data.size() < 120000; ++k) data += std::to_string(k * k % 9973) + " dragon\n";
  data.resize(120000);
  const std::string good = testarchive::GzipMember(data), last = data.substr(0, 5000);
  const Entry high{.name = "high", .data = "abc", .compression = 3, .offset = 0x90000000u};
  using enum Problem;
  const auto E = [](auto... fields) { return MakeEntry(fields...); };
  const struct Case {
    Entry entry;
    ExtractStatus status;
    Problem kind;
    std::optional<std::string> file;  // none: no file
    std::string where = "";           // the file below the output folder, when not the name
    bool before = false;              // a file stands there before
  } cases[] = {
      {E("a", "\\E:", "A"), W, None, "A", "E\\a"},
      {E("\xF2\xE0\xE1", "\xEF\xE0\xEF\xEA\xE0\\", "F", 3), W, None, "F", "папка\\таб"},
      {E("x", "a/../../up", "1"), N, ClimbsOut, {}, "a/../../up\\x"},
      {E("NUL.txt", "", "1"), N, DeviceName, {}},
      {E("stored", "", "short"), W, None, "short", "", true},
      {E("z", "", "abc", 3), W, None, "abc", "", true},
      {Lie(E("empty", "", ""), "", {}, 0), W, None, "", "", true},
      {Lie(E("empty.z", "", "", 3), "", 0, 0), W, None, "", "", true},
      {Lie(E("nocode", "", "", 0), "", {}, 0), W, None, old, "", true},
      {E("lost", "", "x", 0), N, NoCompressionCode, old, "", true},
      {E("odd", "", "data", 7), N, UnknownCompression, ""},
      {{.name = "Big", .data = std::string(120000, 'A'), .compression = 3, .time = 1'000'000'000},
       W, None, std::string(120000, 'A')},
      {{.name = "alias.of.big", .alias = "BIG"}, W, None, std::string(120000, 'A')},
      {{.name = "alias.of.none", .alias = "none"}, N, AliasMissing, {}},
      {Lie(E("cut", "", data, 3), good.substr(0, good.size() / 2)), D, DataEndsEarly, data},
      {Lie(E("longer", "", data, 3), good, 150000), D, DataEndsEarly, data + std::string(30000, 0)},
      {Lie(E("shorter", "", data, 3), good, 1000), D, LengthMismatch, data.substr(0, 1000)},
      {Lie(E("zero", "", data, 3), good, 0), D, LengthMismatch, ""},
      {Lie(E("16", "", data, 3), good.substr(0, 16), 5), D, GzipTooShort, std::string(5, 0)},
      {high, D, DataBeyondEnd, std::string(3, 0)},
      {E("last", "", last), D, ArchiveEndsEarly, last.substr(0, 4000)},
  };
  testarchive::Archive a;
  for (const Case& c : cases) a.entries.push_back(c.entry);
  const std::string bytes = testarchive::Build(a);
  io::StreamPtr archive = Memory(bytes.substr(0, bytes.size() - 1000));  // "last" is cut
  archive::EntryTable table;
  archive::ReadDirectory(*archive, table);
  ASSERT_EQ(table.size(), std::size(cases));

  testarchive::TempFolder dir;
  extract::UnpackReport report;
  for (const std::string run : {"out", "ahead"}) {
    const std::string out = dir.Path() + "\\" + run;
    std::filesystem::create_directory(testextract::FsPath(out));
    extract::OutputTree tree(out);
    tree.SetTimes(run == "ahead");
    for (size_t k = 0; k < table.size(); ++k) {
      const Case& c = cases[k];
      SCOPED_TRACE(c.entry.name + " " + run);
      const std::string where = out + "\\" + (c.where.empty() ? c.entry.name : c.where);
      ASSERT_TRUE(!c.before ||
                  testarchive::WriteFileBytes(testextract::FsPath(where).string(), old));
      archive::ArchiveEntry e = table[k];
      const archive::ArchiveEntry& source = archive::DataOf(table, k);
      extract::UnpackedData read;
      if (run == "ahead" && extract::AheadCost(source, io::StreamSize(*archive)) > 0) {
        ASSERT_TRUE(extract::UnpackAhead(*archive, source, read));
      }
      const extract::ExtractOutcome o = extract::ExtractEntry(*archive, e, tree, &read, &source);
      if (run == "out") report.Add(e, o);
      EXPECT_EQ(o.Status, c.status);
      EXPECT_EQ(o.Kind, c.kind);
      EXPECT_EQ(o.Destination, where);
      const bool cut = c.entry.name == "cut";  // what was unpacked, then zeros
      EXPECT_TRUE(
          testextract::ReadBack(where) ==
          (cut ? data.substr(0, o.Unpacked) + std::string(data.size() - o.Unpacked, 0) : c.file));
      EXPECT_TRUE(o.Unpacked > 1000 || !cut);
      // The entry's time, an alias's target's, when the tree sets times.
      if (c.entry.name == "Big" || c.entry.name == "alias.of.big") {
        const auto written = std::chrono::file_clock::to_sys(
            std::filesystem::last_write_time(testextract::FsPath(where)));
        EXPECT_EQ(written.time_since_epoch() == std::chrono::seconds(1'000'000'000), run == "ahead");
      }
    }
  }
  EXPECT_FALSE(std::filesystem::exists(testextract::FsPath(dir.Path() + "\\up")));
  const std::string text = extract::FailureMessage(report);
  for (const char* piece :
       {"Файлов с ошибками: 12 из 21.\n",
        "\na/../../up\\x: путь файла ведёт за пределы выбранной папки",
        "\nNUL.txt: имя файла недопустимо в Windows", "\nlost: в архиве не указан способ сжатия",
        "\nodd: неизвестный способ сжатия (7)", "\nalias.of.none: файл ссылается на файл,",
        "\n...и ещё 7."}) {
    EXPECT_NE(text.find(piece), std::string::npos) << piece << "\n" << text;
  }
  EXPECT_EQ(extract::FailureMessage(extract::UnpackReport{}), "");
  report.ArchiveOpened = false;
  report.ArchiveFileName = "C:\\Игры\\gone.h4r";
  EXPECT_EQ(extract::FailureMessage(report).rfind("Не удалось открыть файл архива\nC:\\Игры", 0),
            0u);
}

// Windows opens a device for these names whatever follows the first dot;
// they are refused on every system, so an archive unpacks alike everywhere.
TEST(ConfinementProblem, RefusesDeviceNamesAndOnlyThose) {
  for (const char* name : {"Com1", "lpt9.log", "CON .dat", "CONOUT$", "COM0", "aux"}) {
    EXPECT_EQ(extract::ConfinementProblem("icons\\.\\a", name), Problem::DeviceName) << name;
    EXPECT_EQ(extract::ConfinementProblem(std::string("x/") + name + "\\y", "a"),
              Problem::DeviceFolder);
  }
  for (const char* name : {"COM10", "COMA", "LPT", "x.NUL.y", "nul_.txt", "CONSOLE"}) {
    EXPECT_EQ(extract::ConfinementProblem("", name), Problem::None) << name;
  }
}

// Data with no check bytes behind it: zlib consumes the last input while a
// long match is still being copied out, and must be let to finish it.
TEST(DecompressionStream, DeliversOutputZlibHeldBackWhenTheSourceRanOut) {
  const std::string text = "R" + std::string(5000, 'a');
  io::StreamPtr source = Memory(ZlibData(text, ""));
  auto stream = extract::CreateDecompressionStream(*source, extract::CheckValue::Skip);
  std::string out;
  char chunk[7];
  for (uint32_t got; (got = stream->Read(chunk, sizeof chunk)) > 0 && got != io::kStreamError;)
    out.append(chunk, got);
  EXPECT_EQ(out, text);
  // It seeks forward only, reads on where it was should someone else move
  // the source, and a rewind starts again from the source's start.
  std::string noise(100000, '\0');  // more than one refill of input
  for (uint32_t i = 0, x = 1; i < noise.size(); ++i) noise[i] = char((x = x * 69069 + 1) >> 24);
  io::StreamPtr behind = Memory("junk!" + ZlibData(text + noise));
  io::StreamSeek(*behind, 5, io::kFromBeginning);
  auto seeking = extract::CreateDecompressionStream(*behind, extract::CheckValue::Skip);
  EXPECT_EQ(io::StreamSeek(*seeking, 5000, io::kFromBeginning), 5000u);
  EXPECT_EQ(io::StreamSeek(*seeking, 4, io::kFromBeginning), io::kStreamError);
  EXPECT_EQ(io::StreamSeek(*seeking, -1, io::kFromCurrent), io::kStreamError);
  EXPECT_EQ(io::StreamSeek(*seeking, 1, io::kFromCurrent), 5001u);
  EXPECT_EQ(io::StreamPosition(*seeking), 5001u);
  io::StreamSeek(*behind, 7, io::kFromBeginning);
  std::string rest(200000, '\0');
  EXPECT_EQ(io::StreamRead(*seeking, rest.data(), 200000), 100000u);
  EXPECT_TRUE(rest.substr(0, 100000) == noise);
  EXPECT_EQ(io::StreamSeek(*seeking, 0, io::kFromBeginning), 0u);
  EXPECT_EQ(io::StreamRead(*seeking, chunk, 1), io::kStreamError);  // "junk!" is no zlib header
  // A wrong check value is an error unless told otherwise; so is a header
  // asking for a preset dictionary, which is never supplied.
  for (const std::string& bad : {ZlibData("abc"), std::string("\x78\x20\0\0\0\1\x4b\x04\0", 9)}) {
    io::StreamPtr in = Memory(bad);
    EXPECT_EQ(io::StreamRead(*extract::CreateDecompressionStream(*in), chunk, 7),
              io::kStreamError);
  }
}

// Deflate data that decoders other than zlib are known to read differently:
// codes with codewords left over (literals, distances, code lengths), more
// code lengths than zlib allows, a repeat running past the last length, the
// length codes 286 and 287, an empty distance code. Whatever length and CRC-32
// the archive claims (what zlib made of it, or the bytes meant), an entry
// comes out exactly as zlib inflates it.
TEST(InflateEntry, GivesWhatZlibGives) {
  // Hex, then a run of zero bytes, then more hex.
  const auto bytes = [](std::string hex, size_t zeros = 0, const std::string& tail = "") {
    std::string out;
    hex += std::string(zeros * 2, '0') + tail;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
      out += char(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
  };
  const std::string head = "0de1010900000080200000000000000000000000000000000020";
  std::string text;
  // Letters as often as each other (their code lengths repeat in the
  // header), and a text that repeats itself: matches of the longest length.
  for (int k = 0; text.size() < 200000; ++k)
    text += std::to_string(k * 7 % 997) + char('a' + k * 7 % 997 % 26);
  const std::string streams[] = {
      testarchive::RawDeflate(text),                             // many blocks, all sound
      bytes(head, 47, "945a"),                                   // sound
      bytes(head.substr(0, 50) + "10", 47, "941201"),            // literal code incomplete
      bytes("0de2" + head.substr(4), 47, "546502"),              // distance code incomplete
      bytes("0de181" + head.substr(6), 47, "945a"),              // length code incomplete
      bytes("f5" + head.substr(2), 47, "14000000000000006a01"),  // 287 lengths
      bytes("0de18509000000c020dce6ff4f6d8605"),                 // repeat past the end
      bytes("731c0300"),                                         // length code 286
      bytes("0de0" + head.substr(4), 47, "1416"),                // no distance code
      bytes("edc13101000000c220fba75e067f99", 9, "c02d7b"),      // zeros where zlib stops
  };
  for (const std::string& deflate : streams) {
    const std::string zlib = "\x78\x9C" + deflate + "1234";
    io::StreamPtr source = Memory(zlib), all = io::CreateMemoryStream();
    const uint32_t held = extract::InflateCopy(*source, 300000, *all).Produced;
    // The sound streams (the first two) do go to the faster decoder, where there is one.
    std::string fast(held, '\0');
    uint32_t crc = 0;
    if (&deflate - streams < 2) {
      EXPECT_EQ(
          extract::InflateWhole(reinterpret_cast<const uint8_t*>(deflate.data()), deflate.size(),
                                reinterpret_cast<uint8_t*>(fast.data()), held, crc),
          extract::HaveWholeInflate());
    }
    for (const uint32_t count : {held, held + 1, 4u, 259u}) {
      const std::string as(count, 'A');
      const uint32_t meant = crc32(0, reinterpret_cast<const Bytef*>(as.data()), count);
      io::StreamPtr byZlib = io::CreateMemoryStream(), zlibSource = Memory(zlib);
      const extract::InflateCopyResult z = extract::InflateCopy(*zlibSource, count, *byZlib);
      for (const extract::EntryCheck check :
           {extract::EntryCheck{z.Crc32, count}, extract::EntryCheck{meant, count}}) {
        SCOPED_TRACE(testing::Message() << deflate.size() << " bytes, count " << count);
        io::StreamPtr byEntry = io::CreateMemoryStream(), entrySource = Memory(zlib);
        byEntry->SetSize(count);
        EXPECT_TRUE(extract::InflateEntry(*entrySource, count, &check, *byEntry) == z);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(byEntry->Memory()), count),
                  std::string(reinterpret_cast<const char*>(byZlib->Memory()), count));
      }
    }
  }
}

TEST(InflateEntry, RefusesAPresetDictionaryAsZlibDoes) {
  const std::string text(5000, 'd');
  io::StreamPtr source = Memory("\x78\xBB" + testarchive::RawDeflate(text) + "1234"),
                 out = io::CreateMemoryStream();
  const extract::EntryCheck sound{testarchive::Crc32(text), 5000};
  out->SetSize(5000);
  EXPECT_NE(extract::InflateEntry(*source, 5000, &sound, *out).ZlibError, "");
}

TEST(ProgressText, RoundsHalfToEven) {
  EXPECT_EQ(extract::ProgressPercent(3, 8), 38);                  // 37.5
  EXPECT_EQ(extract::ProgressPercent(5, 8), 62);                  // 62.5
  EXPECT_EQ(extract::ProgressText(1, 200), "Распаковка ... 0%");  // 0.5
  EXPECT_EQ(extract::ProgressText(3, 200), "Распаковка ... 2%");  // 1.5
}
