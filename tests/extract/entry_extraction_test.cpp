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

// Every entry is written twice: read by the writer itself, and read ahead as
// other threads do for it; both must give the same file and outcome. Some
// files stand there already with a longer content. The entries whose stored
// bytes or unpacked size lie are made by `lying`. The desktop program's
// message at the end names the first few that failed.
TEST(ExtractEntry, WritesWhatTheEntryHoldsOrSaysWhyNot) {
  std::string data, old = "an earlier, longer content";
  for (int k = 0; data.size() < 120000; ++k) data += std::to_string(k * k % 9973) + " dragon\n";
  data.resize(120000);
  const std::string good = testarchive::GzipMember(data), last = data.substr(0, 5000);
  const std::string big(120000, 'A');
  // `data` under type 3, with the stored bytes and unpacked size given.
  const auto lying = [&](std::string name, std::string stored, std::optional<int32_t> size) {
    return Entry{.Name = name, .Data = data, .Compression = 3, .Stored = stored, .Size = size};
  };
  using enum ExtractStatus;
  using enum Problem;
  // Each entry, its outcome and file (none: no file), where the file is below
  // the output folder when not under the entry's name, and whether a file
  // stands there before.
  // clang-format off
  const struct Case {
    Entry Record; ExtractStatus Status; Problem Why;
    std::optional<std::string> File; std::string Where = ""; bool Before = false;
  } cases[] = {
      {{.Name = "a", .Path = "\\E:", .Data = "A"}, Written, None, "A", "E\\a"},
      {{.Name = "\xF2\xE0\xE1", .Path = "\xEF\xE0\xEF\xEA\xE0\\", .Data = "F", .Compression = 3},
       Written, None, "F", "папка\\таб"},
      {{.Name = "x", .Path = "a/../../up", .Data = "1"},
       NotWritten, ClimbsOut, {}, "a/../../up\\x"},
      {{.Name = "NUL.txt", .Data = "1"}, NotWritten, DeviceName, {}},
      {{.Name = "stored", .Data = "short"}, Written, None, "short", "", true},
      {{.Name = "z", .Data = "abc", .Compression = 3}, Written, None, "abc", "", true},
      {{.Name = "empty"}, Written, None, "", "", true},
      {{.Name = "empty.z", .Compression = 3, .Stored = ""}, Written, None, "", "", true},
      {{.Name = "nocode", .Compression = 0}, Written, None, old, "", true},
      {{.Name = "lost", .Data = "x", .Compression = 0},
       NotWritten, NoCompressionCode, old, "", true},
      {{.Name = "odd", .Data = "data", .Compression = 7}, NotWritten, UnknownCompression, ""},
      {{.Name = "Big", .Data = big, .Compression = 3, .Time = 1'000'000'000}, Written, None, big},
      {{.Name = "alias.of.big", .Alias = "BIG"}, Written, None, big},
      {{.Name = "alias.of.none", .Alias = "none"}, NotWritten, AliasMissing, {}},
      {lying("cut", good.substr(0, good.size() / 2), {}), Damaged, DataEndsEarly, data},
      {lying("longer", good, 150000), Damaged, DataEndsEarly, data + std::string(30000, 0)},
      {lying("shorter", good, 1000), Damaged, LengthMismatch, data.substr(0, 1000)},
      {lying("zero", good, 0), Damaged, LengthMismatch, ""},
      {lying("16", good.substr(0, 16), 5), Damaged, GzipTooShort, std::string(5, 0)},
      {{.Name = "high", .Data = "abc", .Compression = 3, .Offset = 0x90000000u},
       Damaged, DataBeyondEnd, std::string(3, 0)},
      {{.Name = "last", .Data = last}, Damaged, ArchiveEndsEarly, last.substr(0, 4000)},
      // clang-format on
  };
  testarchive::Archive a;
  for (const Case& c : cases) a.Entries.push_back(c.Record);
  const std::string bytes = testarchive::Build(a);
  // The archive ends 1,000 bytes early: "last" is cut.
  io::StreamPtr archive = testarchive::MemoryStreamOf(bytes.substr(0, bytes.size() - 1000));
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
      SCOPED_TRACE(c.Record.Name + " " + run);
      const std::string where = out + "\\" + (c.Where.empty() ? c.Record.Name : c.Where);
      EXPECT_TRUE(!c.Before ||
                  testarchive::WriteFileBytes(testextract::FsPath(where).string(), old));
      archive::ArchiveEntry e = table[k];
      const archive::ArchiveEntry& source = archive::DataOf(table, k);
      extract::UnpackedData read;
      EXPECT_TRUE(run == "out" || extract::AheadCost(source, io::StreamSize(*archive)) == 0 ||
                  extract::UnpackAhead(*archive, source, read));
      const extract::ExtractOutcome o = extract::ExtractEntry(*archive, e, tree, &read, &source);
      if (run == "out") report.Add(e, o);
      EXPECT_EQ(std::tie(o.Status, o.Kind, o.Destination), std::tie(c.Status, c.Why, where));
      const bool cut = c.Record.Name == "cut";  // what was unpacked, then zeros
      EXPECT_TRUE(
          testextract::ReadBack(where) ==
          (cut ? data.substr(0, o.Unpacked) + std::string(data.size() - o.Unpacked, 0) : c.File));
      EXPECT_TRUE(o.Unpacked > 1000 || !cut);
      // The entry's time, an alias's target's, when the tree sets times.
      if (c.Record.Name == "Big" || c.Record.Name == "alias.of.big") {
        EXPECT_EQ(testextract::FileTime(where) == std::chrono::seconds(1'000'000'000),
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
        "\n...и ещё 7."})
    EXPECT_NE(text.find(piece), std::string::npos) << piece << "\n" << text;
  EXPECT_EQ(extract::FailureMessage(extract::UnpackReport{}), "");
  report.ArchiveOpened = false, report.ArchiveFileName = "C:\\Игры\\gone.h4r";
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
  for (const char* name : {"COM10", "COMA", "LPT", "x.NUL.y", "nul_.txt", "CONSOLE"})
    EXPECT_EQ(extract::ConfinementProblem("", name), Problem::None) << name;
}
