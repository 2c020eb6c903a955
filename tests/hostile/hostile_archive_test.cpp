// Hostile and broken archives, unpacked by tarnwick-cli as a user would run
// it: the exit status, every file written and every line reported are
// checked, and nothing may appear outside the output folder. The output
// folder sits four levels below a scratch folder, so that a climb out by
// "..", however spelt, lands where the listing sees it.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <set>

#include "kol/file_backend.h"
#include "kol/stream.h"

#include "tests/cli/cli_runner.h"
#include "tests/extract/file_names.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"
#include "tests/support/test_system.h"

#ifndef _WIN32
#include <sys/resource.h>
#endif

using testarchive::Archive;
using testarchive::Entry;
using testcli::RunCli;
using testextract::FsPath;
using testextract::Listing;
using testextract::ReadBack;

using testarchive::MakeEntry;
namespace {


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
    // Windows writes text with "\r\n".
    const size_t cut = end > start && err[end - 1] == '\r' ? end - 1 : end;
    lines.push_back(err.substr(start, cut - start));
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

// Runs the case's archive into `out` and checks the status, the files and
// the report.
void RunIn(const Case& c, const std::string& archive, const std::string& out) {
  std::string bytes = testarchive::Build(c.archive);
  if (c.cutTo > 0) bytes.resize(c.cutTo);
  ASSERT_TRUE(testarchive::WriteFileBytes(archive, bytes));
  std::vector<std::string> args = {"extract"};
  args.insert(args.end(), c.options.begin(), c.options.end());
  args.push_back(archive);
  args.push_back(out);
  const auto run = RunCli(args);
  EXPECT_EQ(run.Status, c.status) << c.title << "\n" << run.Err;
  std::map<std::string, std::string> files = Files(out);
  for (const auto& [name, content] : c.partial) {
    const std::string got = files.count(name) ? files[name] : "<none>";
    const size_t good = std::min(got.find_first_not_of(content[0]), got.size());
    EXPECT_TRUE(got.size() == content.size() && got.compare(0, good, content, 0, good) == 0 &&
                got.find_first_not_of('\0', good) == std::string::npos)
        << c.title << ": " << name << " is not a start of its content followed by zeros";
    files.erase(name);
  }
  EXPECT_EQ(files, c.files) << c.title << "\n" << run.Err;
  CheckReport(run.Err, c);
  // With TARNWICK_HOSTILE_LOG set, what the program printed, for the record.
  if (std::getenv("TARNWICK_HOSTILE_LOG") != nullptr) {
    std::printf("[hostile] %s | status %d | %zu files\n%s", c.title.c_str(), run.Status, Files(out).size(),
                run.Err.c_str());
  }
}

void RunCase(const Case& c) {
  Scene s;
  RunIn(c, s.archive, s.out);
  EXPECT_EQ(Outside(s), "") << c.title;
}

const std::string kClimb = "its path climbs out of the output folder";
const std::string kBadChar = "a character that cannot be in a file name";

}  // namespace

TEST(HostileArchive, ClimbingOutIsRefusedHoweverItIsSpelt) {
  const Entry good = MakeEntry("good.txt", "", "good");
  std::vector<Case> cases;
  {
    Case c{"\"..\" through \\ in stored paths", {}, {"--stored-paths"}, 1, {{"good.txt", "good"}}, {}};
    c.archive.entries = {good, MakeEntry("b1.txt", "..", "x"), MakeEntry("b2.txt", "..\\..\\..\\..", "x"),
                         MakeEntry("b3.txt", "sub\\..\\..\\..\\..\\up", "x"), MakeEntry("b4.txt", "a\\b\\..\\..\\..", "x")};
    c.failures = {{"b1.txt", "not written", kClimb}, {"b2.txt", "not written", kClimb},
                  {"b3.txt", "not written", kClimb}, {"b4.txt", "not written", kClimb}};
    cases.push_back(c);
  }
  {
    Case c{"\"..\" through / in stored paths", {}, {"--stored-paths"}, 1, {{"good.txt", "good"}}, {}};
    c.archive.entries = {good, MakeEntry("s1.txt", "../../../..", "x"), MakeEntry("s2.txt", "a/../../../../up", "x"),
                         MakeEntry("s3.txt", "a\\../..\\../..", "x")};
    c.failures = {{"s1.txt", "not written", kClimb}, {"s2.txt", "not written", kClimb},
                  {"s3.txt", "not written", kClimb}};
    cases.push_back(c);
  }
  {
    // Names are taken as they are with stored paths.
    Case c{"\"..\" in names, stored paths", {}, {"--stored-paths"}, 1, {{"good.txt", "good"}}, {}};
    c.archive.entries = {good, MakeEntry("..\\..\\..\\..\\n1.txt", "", "x"), MakeEntry("../../../../n2.txt", "", "x"),
                         MakeEntry("..", "", "x"), MakeEntry(". .", "", "x")};
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
    c.archive.entries = {good, MakeEntry("..\\..\\..\\..\\n1.txt", "", "n1"), MakeEntry("../../../../n2.txt", "", "x"),
                         MakeEntry("..", "", "x")};
    c.files = {{"good.txt", "good"}, {"n1.txt", "n1"}};
    c.failures = {{"/n2.txt", "not written", "slash"}, {".", "not written", "cannot be a file name"}};
    cases.push_back(c);
  }
  {
    // Leading backslashes and then a drive colon are dropped; the drive
    // letter becomes a folder inside the output folder.
    Case c{"drive letters, leading backslashes and UNC paths", {}, {"--stored-paths"}, 1, {}, {}};
    c.archive.entries = {MakeEntry("d1.txt", "C:\\..\\..\\..\\..", "x"), MakeEntry("d2.txt", "\\\\\\..\\..\\..\\..", "x"),
                         MakeEntry("d3.txt", "\\C:..\\..\\..\\..", "x"), MakeEntry("d4.txt", "\\\\?\\C:\\up", "x"),
                         MakeEntry("d5.txt", "C:/../../../..", "x"), MakeEntry("ok1.txt", "D:\\Games\\Heroes", "1"),
                         MakeEntry("ok2.txt", "\\\\server\\share", "2"), MakeEntry("ok3.txt", "\\E:\\x", "3")};
    c.files = {{"D/Games/Heroes/ok1.txt", "1"}, {"server/share/ok2.txt", "2"}, {"E/x/ok3.txt", "3"}};
    c.failures = {{"d1.txt", "not written", kClimb}, {"d2.txt", "not written", kClimb},
                  {"d3.txt", "not written", kClimb}, {"d4.txt", "not written", kBadChar},
                  {"d5.txt", "not written", kClimb}};
    cases.push_back(c);
  }
  {
    // An absolute path is joined onto the output folder like any other.
    Case c{"absolute POSIX paths", {}, {"--stored-paths"}, 1, {}, {}};
    // "/" separates folder levels as "\" does, as on Windows.
    c.archive.entries = {MakeEntry("abs.txt", "/tmp/tarnwick-hostile-probe", "a"), MakeEntry("/etc/passwd", "", "x"),
                         MakeEntry("root.txt", "/", "r"), MakeEntry("up.txt", "/../../../..", "x"),
                         MakeEntry("in.txt", "/tmp", "i")};
    c.files = {{"root.txt", "r"}, {"tmp/in.txt", "i"}, {"tmp/tarnwick-hostile-probe/abs.txt", "a"}};
    c.failures = {{"/etc/passwd", "not written", "slash"},
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
    c.archive.entries = {MakeEntry("CON", "", "x"),       MakeEntry("nul", "", "x"),       MakeEntry("COM1", "", "x"),
                         MakeEntry("con.txt", "", "x"),   MakeEntry("NUL.tar.gz", "", "x"), MakeEntry("Com1.log", "", "x"),
                         MakeEntry("AUX .dat", "", "x"),  MakeEntry("x.txt", "LPT1", "x"), MakeEntry("y.txt", "a\\prn.d\\b", "x"),
                         MakeEntry("CONSOLE.txt", "", "kept")};
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
    c.archive.entries = {MakeEntry("nul.readme.txt", "", "x"), MakeEntry("a.com3.f.txt", "", "x"),
                         MakeEntry("a.con2.f.txt", "", "ok")};
    c.failures = {{"readme.txt", "not written", "named after a Windows device (nul)"},
                  {"f.txt", "not written", "named after a Windows device (com3)"}};
    cases.push_back(c);
  }
  {
    // Shown with "?" for each control character.
    Case c{"control bytes in names and paths", {}, {"--stored-paths"}, 1, {{"plain.txt", "p"}}, {}};
    c.archive.entries = {MakeEntry("\x1b[2J\x1b]0;owned\x07.txt", "", "x"), MakeEntry("line\nbreak.txt", "", "x"),
                         MakeEntry(std::string("nul\0byte", 8), "", "x"), MakeEntry("tab.txt", "d\tir", "x"),
                         MakeEntry("plain.txt", "", "p")};
    c.failures = {{"?[2J?]0;owned?.txt", "not written", kBadChar},
                  {"line?break.txt", "not written", kBadChar},
                  {"nul?byte", "not written", kBadChar},
                  {"tab.txt", "not written", kBadChar}};
    cases.push_back(c);
  }
  {
    Case c{"characters Windows keeps for itself", {}, {"--stored-paths"}, 1, {{"fine.txt", "f"}}, {}};
    c.archive.entries = {MakeEntry("a<b", "", "x"),  MakeEntry("a>b", "", "x"),   MakeEntry("a:b", "", "x"),
                         MakeEntry("q\"q", "", "x"), MakeEntry("p|p", "", "x"),   MakeEntry("what?", "", "x"),
                         MakeEntry("*.*", "", "x"),  MakeEntry("s.txt", "ab:c", "x"), MakeEntry("fine.txt", "", "f")};
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
  const Entry a = MakeEntry("a.txt", "", "first"), b = MakeEntry("b.txt", "", "second");
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
    c.archive.entries = {a, lying, MakeEntry("c.txt", "", "third")};
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
    Entry past = MakeEntry("past.bin", "", data);
    past.offset = 0x7FFFFFF0u;
    Entry top = MakeEntry("top.bin", "", data);
    top.offset = 0xFFFFFFFFu;
    Entry negative = MakeEntry("negative.bin", "", data);
    negative.storedSize = -16;
    Entry negativeSize = MakeEntry("negsize.bin", "", data, 3);
    negativeSize.size = -1;
    Entry small = MakeEntry("small.bin", "", data, 3);
    small.stored = std::string(12, 'z');
    // Last in the file: what it gets is its own 16 bytes.
    Entry huge = MakeEntry("huge.bin", "", data);
    huge.storedSize = 0x7FFFFFFF;
    // Its data lies inside the first entry's: both read the same bytes.
    Entry overlap = MakeEntry("overlap.bin", "", "");
    overlap.stored = "";
    overlap.storedSize = 6;
    c.archive.entries = {MakeEntry("first.bin", "", data), overlap, past, top, negative, negativeSize, small, huge};
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
    Entry negative = MakeEntry("negative.bin", "", data);
    negative.storedSize = -16;
    c.archive.entries = {negative, MakeEntry("kept.bin", "", data)};
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
    Entry noTrailer = MakeEntry("no-trailer.txt", "", text, 3);
    noTrailer.stored = member.substr(0, member.size() - 8);
    Entry halfTrailer = MakeEntry("half-trailer.txt", "", text, 3);
    halfTrailer.stored = member.substr(0, member.size() - 3);
    Entry cutDeflate = MakeEntry("cut-deflate.txt", "", text, 3);
    cutDeflate.stored = member.substr(0, 20);
    Entry headerOnly = MakeEntry("header-only.txt", "", text, 3);
    headerOnly.stored = member.substr(0, 10);
    c.archive.entries = {MakeEntry("whole.txt", "", text, 3), noTrailer, halfTrailer, cutDeflate, headerOnly};
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
    c.archive.entries = {MakeEntry("whole.txt", "", text, 3), MakeEntry("cut.txt", "", text, 3)};
    c.cutTo = testarchive::Build(c.archive).size() - member.size() + 30;
    c.failures = {{"cut.txt", "damaged", "the archive ends after 30 of its"}};
    cases.push_back(c);
  }
  for (const Case& c : cases) RunCase(c);
}

TEST(HostileArchive, TheLaterOfTwoEntriesForOneFileWins) {
  Case c{"the same destination named twice", {}, {"--stored-paths"}, 0, {}, {}};
  c.archive.entries = {MakeEntry("same.txt", "", "first"), MakeEntry("f.txt", "C:\\dir", "one"),
                       MakeEntry("same.txt", "", "second, longer"), MakeEntry("f.txt", "\\\\C\\dir", "two"),
                       MakeEntry("z.txt", "", "z", 3), MakeEntry("z.txt", "\\", "")};
  c.archive.entries.back().storedSize = 0;
  c.files = {{"same.txt", "second, longer"}, {"C/dir/f.txt", "two"}, {"z.txt", "z"}};
  RunCase(c);
  // With one thread and with several.
  c.options.push_back("--jobs");
  c.options.push_back("3");
  RunCase(c);
}

namespace {

// A gzip member of 1 GiB of zeros in about 1 MiB: a fully flushed deflate
// chunk of 1 MiB of zeros refers to nothing before it, so it can be repeated.
std::string ZeroBomb() {
  const uInt mib = 1 << 20;
  const std::string zeros(mib, '\0');
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY);
  std::string chunk(mib, '\0'), end(64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zeros.data()));
  z.avail_in = mib;
  z.next_out = reinterpret_cast<Bytef*>(chunk.data());
  z.avail_out = mib;
  deflate(&z, Z_FULL_FLUSH);
  chunk.resize(mib - z.avail_out);
  z.next_out = reinterpret_cast<Bytef*>(end.data());
  z.avail_out = 64;
  deflate(&z, Z_FINISH);
  end.resize(64 - z.avail_out);
  deflateEnd(&z);

  std::string member("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\xff", 10);
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(zeros.data()), mib), total = crc;
  for (int k = 1; k < 1024; ++k) total = crc32_combine(total, crc, mib);
  for (int k = 0; k < 1024; ++k) member += chunk;
  member += end;
  for (uint32_t v : {static_cast<uint32_t>(total), uint32_t{1} << 30}) {
    for (int b = 0; b < 4; ++b) member += static_cast<char>(v >> (8 * b));
  }
  return member;
}

// A folder on the fastest file system with room for the bomb's output: a
// RAM disk when there is one, else the temporary folder.
class RoomyFolder {
 public:
  RoomyFolder() {
    std::error_code ec;
#ifdef _WIN32
    const std::filesystem::path shm("Z:\\dev\\shm");
#else
    const std::filesystem::path shm("/dev/shm");
#endif
    const bool fast = std::filesystem::is_directory(shm, ec) &&
                      std::filesystem::space(shm, ec).available > (uintmax_t{400} << 20);
    if (fast) {
      path_ = shm / ("tarnwick-bomb-" + std::to_string(std::rand()) + "-" +
                     std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
      std::filesystem::create_directories(path_, ec);
    } else {
      path_ = FsPath(temp_.Path());
    }
  }
  ~RoomyFolder() {
    std::error_code ec;
    if (path_ != FsPath(temp_.Path())) std::filesystem::remove_all(path_, ec);
  }
  std::string Path() const {
    const auto text = path_.u8string();
    return std::string(text.begin(), text.end());
  }

 private:
  testarchive::TempFolder temp_;
  std::filesystem::path path_;
};

}  // namespace

// 1 GiB of zeros in 1 MiB of compressed data, under a Size of 256 MiB: the
// program writes 256 MiB, no more, stops unpacking there, reports the entry,
// and never holds the output in memory.
TEST(HostileArchive, ACompressionBombWritesSizeBytesAndNoMore) {
  constexpr int32_t kClaimed = 256 << 20;
  RoomyFolder room;
  Case c{"a deflate stream of 1 GiB under a Size of 256 MiB", {}, {}, 1, {{"after.txt", "after"}}, {}};
  Entry bomb = MakeEntry("bomb.bin", "", "", 3);
  bomb.stored = ZeroBomb();
  bomb.size = kClaimed;
  c.archive.entries = {bomb, MakeEntry("after.txt", "", "after")};
  c.failures = {{"bomb.bin", "damaged", "the unpacked size 268435456 differs from the gzip trailer's 1073741824"}};
  const std::string out = room.Path() + "\\out";
  const std::string archive = testextract::SystemName(room.Path() + "\\bomb.h4r");
  ASSERT_TRUE(testarchive::WriteFileBytes(archive, testarchive::Build(c.archive)));
  const auto run = RunCli({"extract", archive, out});
  EXPECT_EQ(run.Status, 1) << run.Err;
  std::error_code ec;
  EXPECT_EQ(std::filesystem::file_size(FsPath(out + "\\bomb.bin"), ec), uintmax_t{kClaimed});
  EXPECT_EQ(ReadBack(out + "\\after.txt"), "after");
  CheckReport(run.Err, c);
  // The first and the last MiB hold what the stream produced: zeros.
  kol::StreamPtr written = kol::OpenReadStream(out + "\\bomb.bin");
  std::string piece(1 << 20, 'x');
  for (int32_t at : {0, kClaimed - (1 << 20)}) {
    kol::StreamSeek(*written, at, kol::kFromBeginning);
    ASSERT_EQ(kol::StreamRead(*written, piece.data(), 1 << 20), 1u << 20);
    EXPECT_EQ(piece.find_first_not_of('\0'), std::string::npos) << at;
  }
#ifndef _WIN32
  // The largest child so far, the program included: far below the 256 MiB
  // it wrote.
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  EXPECT_LT(usage.ru_maxrss, 128 * 1024) << "peak resident KiB";
  if (std::getenv("TARNWICK_HOSTILE_LOG") != nullptr) {
    std::printf("[hostile] bomb: status %d, peak resident memory of a child %ld KiB\n%s", run.Status,
                usage.ru_maxrss, run.Err.c_str());
  }
#endif
}

namespace {

// The folder of one of the small file systems mounted around the tests, in
// the system's own form, or empty when they are not there.
std::string MountedFolder(const std::string& name) {
  std::string base = TARNWICK_FAULT_MOUNTS;
#ifdef _WIN32
  // Wine's drive Z: is the root of the build machine.
  std::replace(base.begin(), base.end(), '/', '\\');
  base = "Z:" + base;
#endif
  std::error_code ec;
  if (!std::filesystem::exists(FsPath(base + "\\ready"), ec)) return std::string();
  return base + "\\" + name;
}

}  // namespace

// What the machine refuses ends as a reported failure of that entry; the
// other entries are written and nothing already there is touched.
TEST(MachineFault, AFolderWhereAFileGoesAndAFileWhereAFolderGoes) {
  Case c{"destination is a folder, folder level is a file", {}, {"--stored-paths"}, 1, {}, {}};
  c.archive.entries = {MakeEntry("a.txt", "", "A"), MakeEntry("x.txt", "", "X"), MakeEntry("y.txt", "sub\\deeper", "Y"),
                       MakeEntry("old.txt", "", "new"), MakeEntry("z.txt", "", "Z")};
  c.files = {{"a.txt", "A"}, {"x.txt/inner", "inside"}, {"sub", "level"}, {"old.txt", "new"}, {"z.txt", "Z"},
             {"earlier.txt", "earlier"}};
  c.failures = {{"x.txt", "not written", "cannot create the file"}, {"y.txt", "not written", "cannot create folder"}};
  Scene s;
  std::filesystem::create_directories(FsPath(s.out + "\\x.txt"));
  ASSERT_TRUE(testarchive::WriteFileBytes(testextract::SystemName(s.out + "\\x.txt\\inner"), "inside"));
  ASSERT_TRUE(testarchive::WriteFileBytes(testextract::SystemName(s.out + "\\sub"), "level"));
  ASSERT_TRUE(testarchive::WriteFileBytes(testextract::SystemName(s.out + "\\old.txt"), "old content"));
  ASSERT_TRUE(testarchive::WriteFileBytes(testextract::SystemName(s.out + "\\earlier.txt"), "earlier"));
  RunIn(c, s.archive, s.out);
  EXPECT_EQ(Outside(s), "");
}

TEST(MachineFault, AReadOnlyOutputFolder) {
  const std::string readOnly = MountedFolder("readonly");
  if (readOnly.empty()) GTEST_SKIP() << "no read-only file system could be mounted here (needs root)";
  Case c{"read-only output folder", {}, {"--stored-paths"}, 1, {{"kept.txt", "kept"}}, {}};
  c.archive.entries = {MakeEntry("kept.txt", "", "overwritten"), MakeEntry("a.txt", "", "A"), MakeEntry("b.txt", "sub", "B")};
  c.failures = {{"kept.txt", "not written", "cannot create the file"},
                {"a.txt", "not written", "cannot create the file"},
                {"b.txt", "not written", "cannot create folder"}};
  Scene s;
  RunIn(c, s.archive, readOnly);
}

TEST(MachineFault, AFullDisk) {
  const std::string small = MountedFolder("full");
  if (small.empty()) GTEST_SKIP() << "no 1 MiB file system could be mounted here (needs root)";
  std::error_code ec;
  for (const auto& item : std::filesystem::directory_iterator(FsPath(small), ec)) {
    std::filesystem::remove_all(item.path(), ec);
  }
  std::string first(300 << 10, '\0'), last(300 << 10, '\0');
  for (size_t k = 0; k < first.size(); ++k) {
    first[k] = static_cast<char>(k * 7 + k / 251);
    last[k] = static_cast<char>(k * 13 + k / 241);
  }
  Case c{"a full disk (1 MiB tmpfs)", {}, {"--jobs", "1"}, 1, {{"first.bin", first}, {"last.bin", last}}, {}};
  c.archive.entries = {MakeEntry("first.bin", "", first), MakeEntry("big.bin", "", std::string(2 << 20, 'b')),
                       MakeEntry("big.gz", "", std::string(2 << 20, '\0'), 3), MakeEntry("last.bin", "", last)};
  // A failed write's file is removed, so the next entry finds room again.
  // In the system's own words.
  testsystem::SetDiskFullError();
  const std::string full = kol::fs::LastErrorText();
  c.failures = {{"big.bin", "not written", full + "; the incomplete file was removed"},
                {"big.gz", "not written", full + "; the incomplete file was removed"}};
  Scene s;
  RunIn(c, s.archive, small + "\\out");
}
