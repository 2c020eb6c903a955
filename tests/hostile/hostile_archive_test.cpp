// Hostile and broken archives, unpacked by tarnwick-cli as a user would run
// it: the exit status, every file written and every line reported are
// checked, and nothing may appear outside the output folder. The output
// folder sits four levels below a scratch folder, so that a climb out by
// "..", however spelt, lands where the listing sees it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "tests/cli/cli_runner.h"
#include "tests/extract/file_names.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

using testarchive::Archive;
using testarchive::Entry;
using testcli::RunCli;
using testextract::FsPath;
using testextract::Listing;
using testextract::ReadBack;

namespace {

Entry Make(const std::string& name, const std::string& path, const std::string& data,
           uint32_t compression = 1) {
  Entry e;
  e.name = name;
  e.path = path;
  e.data = data;
  e.compression = compression;
  return e;
}

struct Failure {
  std::string name;    // as the CLI shows it
  std::string kind;    // "not written" or "damaged"
  std::string reason;  // a part of the reason
};

struct Case {
  std::string title;
  Archive archive;
  std::vector<std::string> options;
  int status;
  std::map<std::string, std::string> files;  // every file under the output folder, "/" separated
  std::vector<Failure> failures;              // every entry reported, in any order
  bool warning = false;                       // the directory is reported damaged
  size_t cutTo = 0;                           // the archive file is cut to this many bytes
  // Files written in full length from damaged data: a start of the given
  // content, then zeros where it could not be unpacked.
  std::map<std::string, std::string> partial = {};
};

struct Scene {
  testarchive::TempFolder dir;
  std::string archive = dir / "a.h4r";
  std::string out = dir.Path() + "\\l1\\l2\\l3\\out";
};

// Lines of the listing of the scratch folder that lie outside the output
// folder and are not the archive or the chain of folders leading to it.
std::string Outside(const Scene& s) {
  static const std::set<std::string> allowed = {"a.h4r", "l1", "l1/l2", "l1/l2/l3", "l1/l2/l3/out"};
  std::string stray;
  const std::string all = Listing(s.dir.Path());
  for (size_t start = 0, end; (end = all.find('\n', start)) != std::string::npos; start = end + 1) {
    const std::string line = all.substr(start, end - start);
    if (allowed.count(line) == 0 && line.rfind("l1/l2/l3/out/", 0) != 0) stray += line + "\n";
  }
  return stray;
}

// The regular files under the output folder with their content.
std::map<std::string, std::string> Files(const std::string& out) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (auto it = std::filesystem::recursive_directory_iterator(FsPath(out), ec);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_regular_file()) continue;
    const auto rel = std::filesystem::relative(it->path(), FsPath(out)).generic_u8string();
    const std::string name(rel.begin(), rel.end());
    files[name] = ReadBack(out + "\\" + name).value_or("<unreadable>");
  }
  return files;
}

// Checks the failure lines of stderr: one per expected failure, no other,
// and no control character that could reach the user's terminal.
void CheckReport(const std::string& err, const Case& c) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = err.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(err.substr(start, end - start));
  }
  size_t warnings = 0;
  std::vector<bool> matched(c.failures.size(), false);
  for (const std::string& line : lines) {
    for (char ch : line) EXPECT_GE(static_cast<unsigned char>(ch), 0x20) << c.title << ": " << line;
    if (line.rfind("tarnwick-cli: warning: ", 0) == 0) {
      ++warnings;
      continue;
    }
    bool found = false;
    for (size_t k = 0; k < c.failures.size() && !found; ++k) {
      const Failure& f = c.failures[k];
      if (!matched[k] && line.rfind("tarnwick-cli: " + f.name + " -> ", 0) == 0 &&
          line.find(": " + f.kind + ": ") != std::string::npos && line.find(f.reason) != std::string::npos) {
        matched[k] = found = true;
      }
    }
    EXPECT_TRUE(found) << c.title << ": unexpected line: " << line;
  }
  for (size_t k = 0; k < c.failures.size(); ++k) {
    EXPECT_TRUE(matched[k]) << c.title << ": no report of " << c.failures[k].name << " (" << c.failures[k].kind
                            << ": " << c.failures[k].reason << ")\n" << err;
  }
  EXPECT_EQ(warnings, c.warning ? 1u : 0u) << c.title << "\n" << err;
}

void RunCase(const Case& c) {
  Scene s;
  std::string bytes = testarchive::Build(c.archive);
  if (c.cutTo > 0) bytes.resize(c.cutTo);
  ASSERT_TRUE(testarchive::WriteFileBytes(s.archive, bytes));
  std::vector<std::string> args = {"extract"};
  args.insert(args.end(), c.options.begin(), c.options.end());
  args.push_back(s.archive);
  args.push_back(s.out);
  const auto run = RunCli(args);
  EXPECT_EQ(run.Status, c.status) << c.title << "\n" << run.Err;
  std::map<std::string, std::string> files = Files(s.out);
  for (const auto& [name, content] : c.partial) {
    const std::string got = files.count(name) ? files[name] : "<none>";
    const size_t good = std::min(got.find_first_not_of(content[0]), got.size());
    EXPECT_TRUE(got.size() == content.size() && got.compare(0, good, content, 0, good) == 0 &&
                got.find_first_not_of('\0', good) == std::string::npos)
        << c.title << ": " << name << " is not a start of its content followed by zeros";
    files.erase(name);
  }
  EXPECT_EQ(files, c.files) << c.title << "\n" << run.Err;
  EXPECT_EQ(Outside(s), "") << c.title;
  CheckReport(run.Err, c);
  // One line for the record of what each case did.
  // With TARNWICK_HOSTILE_LOG set, what the program printed, for the record.
  if (std::getenv("TARNWICK_HOSTILE_LOG") != nullptr) {
    std::printf("[hostile] %s | status %d | %zu files\n%s", c.title.c_str(), run.Status,
                Files(s.out).size(), run.Err.c_str());
  }
}

const std::string kClimb = "its path climbs out of the output folder";
const std::string kBadChar = "a character that cannot be in a file name";

}  // namespace

TEST(HostileArchive, ClimbingOutIsRefusedHoweverItIsSpelt) {
  const Entry good = Make("good.txt", "", "good");
  std::vector<Case> cases;
  {
    Case c{"\"..\" through \\ in stored paths", {}, {"--stored-paths"}, 1, {{"good.txt", "good"}}, {}};
    c.archive.entries = {good, Make("b1.txt", "..", "x"), Make("b2.txt", "..\\..\\..\\..", "x"),
                         Make("b3.txt", "sub\\..\\..\\..\\..\\up", "x"), Make("b4.txt", "a\\b\\..\\..\\..", "x")};
    c.failures = {{"b1.txt", "not written", kClimb}, {"b2.txt", "not written", kClimb},
                  {"b3.txt", "not written", kClimb}, {"b4.txt", "not written", kClimb}};
    cases.push_back(c);
  }
  {
    Case c{"\"..\" through / in stored paths", {}, {"--stored-paths"}, 1, {{"good.txt", "good"}}, {}};
    c.archive.entries = {good, Make("s1.txt", "../../../..", "x"), Make("s2.txt", "a/../../../../up", "x"),
                         Make("s3.txt", "a\\../..\\../..", "x")};
    c.failures = {{"s1.txt", "not written", kClimb}, {"s2.txt", "not written", kClimb},
                  {"s3.txt", "not written", kClimb}};
    cases.push_back(c);
  }
  {
    // Names are taken as they are with stored paths.
    Case c{"\"..\" in names, stored paths", {}, {"--stored-paths"}, 1, {{"good.txt", "good"}}, {}};
    c.archive.entries = {good, Make("..\\..\\..\\..\\n1.txt", "", "x"), Make("../../../../n2.txt", "", "x"),
                         Make("..", "", "x"), Make(". .", "", "x")};
    c.failures = {{"..\\..\\..\\..\\n1.txt", "not written", "slash"},
                  {"../../../../n2.txt", "not written", "slash"},
                  {"..", "not written", "cannot be a file name"},
                  {". .", "not written", "cannot be a file name"}};
    cases.push_back(c);
  }
  {
    // Formed from names, every dot but the last makes a folder level, so
    // "..\" turns into empty levels, which are dropped.
    Case c{"\"..\" in names, paths formed from names", {}, {}, 1, {}, {}};
    c.archive.entries = {good, Make("..\\..\\..\\..\\n1.txt", "", "n1"), Make("../../../../n2.txt", "", "x"),
                         Make("..", "", "x")};
    c.files = {{"good.txt", "good"}, {"n1.txt", "n1"}};
    c.failures = {{"/n2.txt", "not written", "slash"}, {".", "not written", "cannot be a file name"}};
    cases.push_back(c);
  }
  {
    // Leading backslashes and then a drive colon are dropped; the drive
    // letter becomes a folder inside the output folder.
    Case c{"drive letters, leading backslashes and UNC paths", {}, {"--stored-paths"}, 1, {}, {}};
    c.archive.entries = {Make("d1.txt", "C:\\..\\..\\..\\..", "x"), Make("d2.txt", "\\\\\\..\\..\\..\\..", "x"),
                         Make("d3.txt", "\\C:..\\..\\..\\..", "x"), Make("d4.txt", "\\\\?\\C:\\up", "x"),
                         Make("d5.txt", "C:/../../../..", "x"), Make("ok1.txt", "D:\\Games\\Heroes", "1"),
                         Make("ok2.txt", "\\\\server\\share", "2"), Make("ok3.txt", "\\E:\\x", "3")};
    c.files = {{"D/Games/Heroes/ok1.txt", "1"}, {"server/share/ok2.txt", "2"}, {"E/x/ok3.txt", "3"}};
    c.failures = {{"d1.txt", "not written", kClimb}, {"d2.txt", "not written", kClimb},
                  {"d3.txt", "not written", kClimb}, {"d4.txt", "not written", kBadChar},
                  {"d5.txt", "not written", kClimb}};
    cases.push_back(c);
  }
  {
    // An absolute path is joined onto the output folder like any other.
    Case c{"absolute POSIX paths", {}, {"--stored-paths"}, 1, {}, {}};
    // Folder levels are made one "\" at a time: a missing level spelt with
    // "/" cannot be made, and is reported.
    c.archive.entries = {Make("abs.txt", "/tmp/tarnwick-hostile-probe", "a"), Make("/etc/passwd", "", "x"),
                         Make("root.txt", "/", "r"), Make("up.txt", "/../../../..", "x"),
                         Make("in.txt", "/tmp", "i")};
    c.files = {{"root.txt", "r"}, {"tmp/in.txt", "i"}};
    c.failures = {{"abs.txt", "not written", "cannot create folder"},
                  {"/etc/passwd", "not written", "slash"},
                  {"up.txt", "not written", kClimb}};
    cases.push_back(c);
  }
  for (const Case& c : cases) RunCase(c);
#ifndef _WIN32
  EXPECT_FALSE(std::filesystem::exists("/tmp/tarnwick-hostile-probe"));
#endif
}

TEST(HostileArchive, NamesThatCannotBeFilesAreReportedAndPrintedSafely) {
  std::vector<Case> cases;
  {
    Case c{"Windows device names", {}, {"--stored-paths"}, 1, {{"CONSOLE.txt", "kept"}}, {}};
    c.archive.entries = {Make("CON", "", "x"),       Make("nul", "", "x"),       Make("COM1", "", "x"),
                         Make("con.txt", "", "x"),   Make("NUL.tar.gz", "", "x"), Make("Com1.log", "", "x"),
                         Make("AUX .dat", "", "x"),  Make("x.txt", "LPT1", "x"), Make("y.txt", "a\\prn.d\\b", "x"),
                         Make("CONSOLE.txt", "", "kept")};
    const std::string device = "is a Windows device name";
    const std::string folder = "has a folder named after a Windows device";
    c.failures = {{"CON", "not written", device},      {"nul", "not written", device},
                  {"COM1", "not written", device},     {"con.txt", "not written", device},
                  {"NUL.tar.gz", "not written", device}, {"Com1.log", "not written", device},
                  {"AUX .dat", "not written", device}, {"x.txt", "not written", folder},
                  {"y.txt", "not written", folder}};
    cases.push_back(c);
  }
  {
    Case c{"device names as folders formed from names", {}, {}, 1, {{"a/con2/f.txt", "ok"}}, {}};
    c.archive.entries = {Make("nul.readme.txt", "", "x"), Make("a.com3.f.txt", "", "x"),
                         Make("a.con2.f.txt", "", "ok")};
    c.failures = {{"readme.txt", "not written", "named after a Windows device (nul)"},
                  {"f.txt", "not written", "named after a Windows device (com3)"}};
    cases.push_back(c);
  }
  {
    // Shown with "?" for each control character.
    Case c{"control bytes in names and paths", {}, {"--stored-paths"}, 1, {{"plain.txt", "p"}}, {}};
    c.archive.entries = {Make("\x1b[2J\x1b]0;owned\x07.txt", "", "x"), Make("line\nbreak.txt", "", "x"),
                         Make(std::string("nul\0byte", 8), "", "x"), Make("tab.txt", "d\tir", "x"),
                         Make("plain.txt", "", "p")};
    c.failures = {{"?[2J?]0;owned?.txt", "not written", kBadChar},
                  {"line?break.txt", "not written", kBadChar},
                  {"nul?byte", "not written", kBadChar},
                  {"tab.txt", "not written", kBadChar}};
    cases.push_back(c);
  }
  {
    Case c{"characters Windows keeps for itself", {}, {"--stored-paths"}, 1, {{"fine.txt", "f"}}, {}};
    c.archive.entries = {Make("a<b", "", "x"),  Make("a>b", "", "x"),   Make("a:b", "", "x"),
                         Make("q\"q", "", "x"), Make("p|p", "", "x"),   Make("what?", "", "x"),
                         Make("*.*", "", "x"),  Make("s.txt", "ab:c", "x"), Make("fine.txt", "", "f")};
    c.failures = {{"a<b", "not written", kBadChar},  {"a>b", "not written", kBadChar},
                  {"a:b", "not written", kBadChar},  {"q\"q", "not written", kBadChar},
                  {"p|p", "not written", kBadChar},  {"what?", "not written", kBadChar},
                  {"*.*", "not written", kBadChar},  {"s.txt", "not written", kBadChar}};
    cases.push_back(c);
  }
  for (const Case& c : cases) RunCase(c);
}

TEST(HostileArchive, DirectoriesThatLieAreCutAndReported) {
  std::vector<Case> cases;
  const Entry a = Make("a.txt", "", "first"), b = Make("b.txt", "", "second");
  {
    Case c{"a count far beyond the file", {}, {}, 1, {{"a.txt", "first"}, {"b.txt", "second"}}, {}};
    c.archive.entries = {a, b};
    c.archive.count = 1000000;
    c.warning = true;
    cases.push_back(c);
  }
  {
    Case c{"the largest count", {}, {}, 1, {{"a.txt", "first"}, {"b.txt", "second"}}, {}};
    c.archive.entries = {a, b};
    c.archive.count = 0x7FFFFFFF;
    c.warning = true;
    cases.push_back(c);
  }
  {
    Case c{"a negative count", {}, {}, 1, {}, {}};
    c.archive.entries = {a, b};
    c.archive.count = -5;
    c.warning = true;
    cases.push_back(c);
  }
  {
    Case c{"a count below the entries", {}, {}, 0, {{"a.txt", "first"}}, {}};
    c.archive.entries = {a, b};
    c.archive.count = 1;
    cases.push_back(c);
  }
  {
    // The name runs past the end of the file: the entry is cut off.
    Case c{"a name length past the end", {}, {}, 1, {{"a.txt", "first"}}, {}};
    Entry lying = b;
    lying.nameLen = 60000;
    c.archive.entries = {a, lying};
    c.warning = true;
    cases.push_back(c);
  }
  {
    // A path length that swallows the rest of the directory and the data.
    Case c{"a path length past the end", {}, {"--stored-paths"}, 1, {{"a.txt", "first"}}, {}};
    Entry lying = b;
    lying.pathLen = 65535;
    c.archive.entries = {a, lying, Make("c.txt", "", "third")};
    c.warning = true;
    cases.push_back(c);
  }
  {
    // The header ends early.
    Case c{"a file cut inside its header", {}, {}, 1, {}, {}};
    c.archive.entries = {a};
    c.cutTo = 10;
    c.warning = true;
    cases.push_back(c);
  }
  for (const Case& c : cases) RunCase(c);
}

TEST(HostileArchive, OffsetsAndSizesThatLieAreReported) {
  const std::string data = "0123456789abcdef";
  std::vector<Case> cases;
  {
    Case c{"offsets and sizes past the end, negative and overlapping", {}, {"--keep-empty"}, 1, {}, {}};
    Entry past = Make("past.bin", "", data);
    past.offset = 0x7FFFFFF0u;
    Entry top = Make("top.bin", "", data);
    top.offset = 0xFFFFFFFFu;
    Entry negative = Make("negative.bin", "", data);
    negative.storedSize = -16;
    Entry negativeSize = Make("negsize.bin", "", data, 3);
    negativeSize.size = -1;
    Entry small = Make("small.bin", "", data, 3);
    small.stored = std::string(12, 'z');
    // Last in the file: what it gets is its own 16 bytes.
    Entry huge = Make("huge.bin", "", data);
    huge.storedSize = 0x7FFFFFFF;
    // Its data lies inside the first entry's: both read the same bytes.
    Entry overlap = Make("overlap.bin", "", "");
    overlap.stored = "";
    overlap.storedSize = 6;
    c.archive.entries = {Make("first.bin", "", data), overlap, past, top, negative, negativeSize, small, huge};
    // The first entry's data is the first copy of `data` behind the directory.
    c.archive.entries[1].offset = static_cast<uint32_t>(testarchive::Build(c.archive).find(data) + 4);
    c.files = {{"first.bin", data}, {"overlap.bin", "456789"}, {"past.bin", ""}, {"top.bin", ""},
               {"huge.bin", data}};
    c.failures = {{"past.bin", "damaged", "beyond the end of the archive"},
                  {"top.bin", "damaged", "beyond the end of the archive"},
                  {"negative.bin", "not written", "stored size is negative"},
                  {"negsize.bin", "not written", "unpacked size is negative"},
                  {"small.bin", "not written", "too few for a gzip member"},
                  {"huge.bin", "damaged", "the archive ends after 16 of its 2147483647 bytes"}};
    cases.push_back(c);
  }
  {
    // Entries whose stored size is not above 0 are passed over unless asked for.
    Case c{"a negative stored size, passed over", {}, {}, 0, {{"kept.bin", data}}, {}};
    Entry negative = Make("negative.bin", "", data);
    negative.storedSize = -16;
    c.archive.entries = {negative, Make("kept.bin", "", data)};
    cases.push_back(c);
  }
  for (const Case& c : cases) RunCase(c);
}

// A damaged compressed entry is still written to its full Size, with zeros
// for what could not be unpacked, and reported.
TEST(HostileArchive, TruncatedGzipMembersAreReported) {
  const std::string text(5000, 'g');
  const std::string member = testarchive::GzipMember(text);
  std::vector<Case> cases;
  {
    Case c{"truncated gzip members", {}, {}, 1, {}, {}};
    Entry noTrailer = Make("no-trailer.txt", "", text, 3);
    noTrailer.stored = member.substr(0, member.size() - 8);
    Entry halfTrailer = Make("half-trailer.txt", "", text, 3);
    halfTrailer.stored = member.substr(0, member.size() - 3);
    Entry cutDeflate = Make("cut-deflate.txt", "", text, 3);
    cutDeflate.stored = member.substr(0, 20);
    Entry headerOnly = Make("header-only.txt", "", text, 3);
    headerOnly.stored = member.substr(0, 10);
    c.archive.entries = {Make("whole.txt", "", text, 3), noTrailer, halfTrailer, cutDeflate, headerOnly};
    c.files = {{"whole.txt", text}};
    c.partial = {{"no-trailer.txt", text}, {"half-trailer.txt", text}, {"cut-deflate.txt", text}};
    c.failures = {{"no-trailer.txt", "damaged", "the compressed data ends early"},
                  {"half-trailer.txt", "damaged", "differs from the gzip trailer's"},
                  {"cut-deflate.txt", "damaged", "0 of 5000 bytes were unpacked, the rest written as zeros"},
                  {"header-only.txt", "not written", "too few for a gzip member"}};
    cases.push_back(c);
  }
  {
    // The archive file itself ends inside the last member.
    Case c{"archive cut inside the last gzip member", {}, {}, 1, {{"whole.txt", text}}, {}};
    c.partial = {{"cut.txt", text}};
    c.archive.entries = {Make("whole.txt", "", text, 3), Make("cut.txt", "", text, 3)};
    c.cutTo = testarchive::Build(c.archive).size() - member.size() + 30;
    c.failures = {{"cut.txt", "damaged", "the archive ends after 30 of its"}};
    cases.push_back(c);
  }
  for (const Case& c : cases) RunCase(c);
}

TEST(HostileArchive, TheLaterOfTwoEntriesForOneFileWins) {
  Case c{"the same destination named twice", {}, {"--stored-paths"}, 0, {}, {}};
  c.archive.entries = {Make("same.txt", "", "first"), Make("f.txt", "C:\\dir", "one"),
                       Make("same.txt", "", "second, longer"), Make("f.txt", "\\\\C\\dir", "two"),
                       Make("z.txt", "", "z", 3), Make("z.txt", "\\", "")};
  c.archive.entries.back().storedSize = 0;
  c.files = {{"same.txt", "second, longer"}, {"C/dir/f.txt", "two"}, {"z.txt", "z"}};
  RunCase(c);
  // With one thread and with several.
  c.options.push_back("--jobs");
  c.options.push_back("3");
  RunCase(c);
}
