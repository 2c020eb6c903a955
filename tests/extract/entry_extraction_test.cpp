#include <gtest/gtest.h>

#include <filesystem>

#include "archive/directory_reader.h"
#include "extract/entry_extraction.h"
#include "extract/unpack_report.h"
#include "tests/extract/file_names.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

using extract::ExtractStatus;
using extract::Problem;
using testarchive::Entry;

static io::StreamPtr Memory(const std::string& bytes) {
  io::StreamPtr s = io::CreateMemoryStream();
  io::StreamWrite(*s, bytes.data(), static_cast<uint32_t>(bytes.size()));
  io::StreamSeek(*s, 0, io::kFromBeginning);
  return s;
}

// Every entry is written twice: read by the writer itself, and read ahead as
// other threads do for it; both must give the same file and outcome. Some
// files stand there already with a longer content. The entries whose stored
// bytes, unpacked size or stored size lie say so in `stored`, `size` and
// `storedSize`. The desktop program's message at the end names the first few
// that failed.
TEST(ExtractEntry, WritesWhatTheEntryHoldsOrSaysWhyNot) {
  std::string data, old = "an earlier, longer content";
  for (int k = 0; data.size() < 120000; ++k) data += std::to_string(k * k % 9973) + " dragon\n";
  data.resize(120000);
  const std::string good = testarchive::GzipMember(data), last = data.substr(0, 5000);
  using enum ExtractStatus;
  using enum Problem;
  const struct Case {
    Entry entry;
    ExtractStatus status;
    Problem problem;
    std::optional<std::string> file;  // none: no file
    std::string where = "";           // the file below the output folder, when not the name
    bool before = false;              // a file stands there before
  } cases[] = {
      {{.name = "a", .path = "\\E:", .data = "A"}, Written, None, "A", "E\\a"},
      {{.name = "\xF2\xE0\xE1", .path = "\xEF\xE0\xEF\xEA\xE0\\", .data = "F", .compression = 3},
       Written,
       None,
       "F",
       "папка\\таб"},
      {{.name = "x", .path = "a/../../up", .data = "1"},
       NotWritten,
       ClimbsOut,
       {},
       "a/../../up\\x"},
      {{.name = "NUL.txt", .data = "1"}, NotWritten, DeviceName, {}},
      {{.name = "stored", .data = "short"}, Written, None, "short", "", true},
      {{.name = "z", .data = "abc", .compression = 3}, Written, None, "abc", "", true},
      {{.name = "empty", .stored = "", .storedSize = 0}, Written, None, "", "", true},
      {{.name = "empty.z", .compression = 3, .stored = "", .storedSize = 0, .size = 0},
       Written,
       None,
       "",
       "",
       true},
      {{.name = "nocode", .compression = 0, .stored = "", .storedSize = 0},
       Written,
       None,
       old,
       "",
       true},
      {{.name = "lost", .data = "x", .compression = 0},
       NotWritten,
       NoCompressionCode,
       old,
       "",
       true},
      {{.name = "odd", .data = "data", .compression = 7}, NotWritten, UnknownCompression, ""},
      {{.name = "Big", .data = std::string(120000, 'A'), .compression = 3, .time = 1'000'000'000},
       Written,
       None,
       std::string(120000, 'A')},
      {{.name = "alias.of.big", .alias = "BIG"}, Written, None, std::string(120000, 'A')},
      {{.name = "alias.of.none", .alias = "none"}, NotWritten, AliasMissing, {}},
      {{.name = "cut", .data = data, .compression = 3, .stored = good.substr(0, good.size() / 2)},
       Damaged,
       DataEndsEarly,
       data},
      {{.name = "longer", .data = data, .compression = 3, .stored = good, .size = 150000},
       Damaged,
       DataEndsEarly,
       data + std::string(30000, 0)},
      {{.name = "shorter", .data = data, .compression = 3, .stored = good, .size = 1000},
       Damaged,
       LengthMismatch,
       data.substr(0, 1000)},
      {{.name = "zero", .data = data, .compression = 3, .stored = good, .size = 0},
       Damaged,
       LengthMismatch,
       ""},
      {{.name = "16", .data = data, .compression = 3, .stored = good.substr(0, 16), .size = 5},
       Damaged,
       GzipTooShort,
       std::string(5, 0)},
      {{.name = "high", .data = "abc", .compression = 3, .offset = 0x90000000u},
       Damaged,
       DataBeyondEnd,
       std::string(3, 0)},
      {{.name = "last", .data = last}, Damaged, ArchiveEndsEarly, last.substr(0, 4000)},
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
      EXPECT_TRUE(!c.before ||
                  testarchive::WriteFileBytes(testextract::FsPath(where).string(), old));
      archive::ArchiveEntry e = table[k];
      const archive::ArchiveEntry& source = archive::DataOf(table, k);
      extract::UnpackedData read;
      if (run == "ahead" && extract::AheadCost(source, io::StreamSize(*archive)) > 0) {
        EXPECT_TRUE(extract::UnpackAhead(*archive, source, read));
      }
      const extract::ExtractOutcome o = extract::ExtractEntry(*archive, e, tree, &read, &source);
      if (run == "out") report.Add(e, o);
      EXPECT_EQ(o.Status, c.status);
      EXPECT_EQ(o.Kind, c.problem);
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
        EXPECT_EQ(written.time_since_epoch() == std::chrono::seconds(1'000'000'000),
                  run == "ahead");
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
