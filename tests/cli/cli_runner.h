// Runs tarnwick-cli as a user would and looks at what it leaves on disk.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/extract/file_names.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace testcli {

struct Run {
  int Status = -1;
  std::string Out, Err;
};

// One archive unpacked by `tarnwick-cli extract`, and all that must follow.
struct ExtractCase {
  std::string Title;
  testarchive::Archive Archive;
  std::vector<std::string> Options;
  int Status = 0;
  std::vector<std::string> Files;     // every file under the output folder: "name=content"
  std::vector<std::string> Failures;  // every entry reported: "name as shown -> words of its line"
};

// Runs the program with the arguments, in `folder` when one is given (the
// test's own current directory is never changed); `binary` reads its stdout
// byte for byte, also on Windows.
inline Run RunCli(const std::vector<std::string>& args, [[maybe_unused]] bool binary = false,
                  const std::string& folder = "") {
  testarchive::TempFolder scratch;
  // Double quotes mean the same to both shells for the names the tests use.
  std::string command = "\"" TARNWICK_CLI "\"";
  for (const std::string& a : args) command += " \"" + a + "\"";
  command += " 2>\"" + scratch / "stderr.txt" + "\"";
#ifdef _WIN32
  if (!folder.empty()) command = "cd /d \"" + folder + "\" && " + command;
  command = "\"" + command + "\"";  // cmd.exe strips the outer quotes of a command line
  const char* mode = binary ? "rb" : "r";
#else
  if (!folder.empty()) command = "cd \"" + folder + "\" && " + command;
  const char* mode = "r";  // POSIX pipes pass bytes as they are
#endif
  Run run;
  // Under Wine the shell now and then fails to start the program at all (no
  // status, or cmd's 9009): such a run tells nothing, so it is made again.
  for (int attempt = 0; attempt < 4 && (run.Status == -1 || run.Status == 9009); ++attempt) {
    std::FILE* pipe = popen(command.c_str(), mode);
    if (pipe == nullptr) continue;
    char buffer[65536];  // a start that failed printed nothing here
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.Out.append(buffer, n);
    run.Status = pclose(pipe);
#ifndef _WIN32
    run.Status = WIFEXITED(run.Status) ? WEXITSTATUS(run.Status) : -1;
#endif
  }
  run.Err = testarchive::ReadFileBytes(scratch / "stderr.txt").value_or("");
  return run;
}

// An archive written to a scratch folder and unpacked there by extract, as a
// user does before editing its files: empty entries too, by default under
// their stored paths.
struct Unpacked {
  testarchive::TempFolder Scratch;
  // The archive's file, the folder it is unpacked into, and the archive's bytes.
  std::string Archive = Scratch / "a.h4r", Folder = Scratch / "out", Bytes;
  explicit Unpacked(const testarchive::Archive& a,
                    std::vector<std::string> args = {"--stored-paths"}) {
    Bytes = testarchive::Build(a);
    EXPECT_TRUE(testarchive::WriteFileBytes(Archive, Bytes));
    args.insert(args.begin(), {"extract", "--keep-empty", "--quiet"});
    args.insert(args.end(), {Archive, Folder});
    EXPECT_EQ(RunCli(args).Status, 0);
  }
  // Where extract puts the entry; an empty entry's record holds no path, an alias's does.
  std::string File(const testarchive::Entry& e) const {
    std::string name = (e.StoredSize == 0 && e.Alias.empty() ? "" : e.Path) + e.Name;
    std::replace(name.begin(), name.end(), '\\', testarchive::Separator());
    return Folder + testarchive::Separator() + name;
  }
};

// Everything below `folder`: each file's relative name ("/" separated) with
// its content, each folder's with a trailing "/".
inline std::map<std::string, std::string> Tree(const std::string& folder) {
  const std::filesystem::path root = testextract::FsPath(folder);
  std::map<std::string, std::string> tree;
  std::error_code ec;
  for (std::filesystem::recursive_directory_iterator f(root, ec), end; f != end; f.increment(ec)) {
    const std::u8string relative = f->path().lexically_relative(root).generic_u8string();
    const std::string name(relative.begin(), relative.end());
    if (f->is_directory(ec)) {
      tree[name + "/"];
    } else {
      std::ifstream in(f->path(), std::ios::binary);  // by its wide name on Windows
      tree[name].assign(std::istreambuf_iterator<char>(in), {});
    }
  }
  return tree;
}

// Unpacks into a folder four levels below `root`, by default a scratch
// folder, so that a climb out by ".." lands where it is seen: nothing may
// appear in `root` outside the output folder.
inline void CheckExtract(const ExtractCase& c, const std::string& root = "") {
  testarchive::TempFolder scratch;
  const std::string folder = root.empty() ? scratch.Path() : root, out = folder + "/l1/l2/l3/out";
  ASSERT_TRUE(testarchive::WriteFileBytes(scratch / "a.h4r", testarchive::Build(c.Archive)));
  std::vector<std::string> args = {"extract"};
  args.insert(args.end(), c.Options.begin(), c.Options.end());
  args.insert(args.end(), {scratch / "a.h4r", out});
  const Run run = RunCli(args);
  SCOPED_TRACE(c.Title + "\n" + run.Err);
  EXPECT_EQ(run.Status, c.Status);

  std::map<std::string, std::string> files = Tree(out), expected;
  std::erase_if(files, [](const auto& file) { return file.first.ends_with('/'); });
  for (const auto& f : c.Files) expected[f.substr(0, f.find('='))] = f.substr(f.find('=') + 1);
  EXPECT_EQ(files, expected);
  const std::string inside = "l1/l2/l3/out/";
  for (const auto& [name, content] : Tree(folder)) {
    EXPECT_TRUE(inside.starts_with(name) || name.starts_with(inside) || name == "a.h4r")
        << name << " lies outside the output folder";
  }

  // One line per failed entry and none for any other; no control character
  // reaches the user's terminal.
  EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), std::ssize(c.Failures));
  EXPECT_TRUE(std::none_of(run.Err.begin(), run.Err.end(),
                           [](unsigned char ch) { return ch < 0x20 && ch != '\n' && ch != '\r'; }));
  for (const std::string& f : c.Failures) {
    const size_t words = f.find(" -> ") + 4,
                 line = run.Err.find("tarnwick-cli: " + f.substr(0, words));
    EXPECT_LT(run.Err.find(f.substr(words), line), run.Err.find('\n', line))
        << "no line says " << f;
  }
}

}  // namespace testcli
