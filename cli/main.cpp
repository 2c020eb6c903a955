// tarnwick-cli: lists, tests and unpacks Heroes of Might & Magic IV resource
// archives from a terminal or a script.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/command_options.h"
#include "cli/compact_command.h"
#include "cli/create_command.h"
#include "cli/extract_command.h"
#include "cli/list_command.h"
#include "cli/read_commands.h"
#include "cli/update_command.h"
#include "tarnwick_version.h"

namespace {

struct Command {
  const char* Name;
  int (*Run)(const std::vector<std::string>& args);
  std::string (*Synopsis)();
  const char* About;  // indented lines, for the overview
};

const Command kCommands[] = {
    {"list", cli::RunList, cli::ListSynopsis,
     "      Lists the entries and the archive's counts. Folders are formed from the\n"
     "      dotted names unless --stored-paths keeps the paths stored in the archive.\n"},
    {"test", cli::RunTest, cli::TestSynopsis,
     "      Unpacks every selected entry in memory and names the damaged ones.\n"},
    {"print", cli::RunPrint, cli::PrintSynopsis,
     "      Writes the selected entries' bytes to stdout.\n"},
    {"extract", cli::RunExtract, cli::ExtractSynopsis,
     "      Unpacks the selected entries into OUTDIR (default: the current\n"
     "      directory); once -C names the folder, the words after ARCHIVE are\n"
     "      patterns.\n"},
    {"update", cli::RunUpdate, cli::UpdateSynopsis,
     "      Puts the edited files of DIR, unpacked by extract, back into the archive\n"
     "      (or into a copy, NEW), with --add new files too; old data stays in place.\n"},
    {"create", cli::RunCreate, cli::CreateSynopsis,
     "      Makes a new archive from the files of DIR, laid out as extract writes\n"
     "      them; whole or not at all.\n"},
    {"compact", cli::RunCompact, cli::CompactSynopsis,
     "      Rewrites the archive with only the data its records point to.\n"},
};

constexpr const char* kUsageLine =
    "usage: tarnwick-cli list|test|print|extract|update|create|compact|help [OPTIONS] ARCHIVE "
    "...\n";

// `text` broken into lines of at most 79 columns at spaces, the lines after
// the first indented by `indent`.
std::string Wrapped(const std::string& text, size_t indent) {
  std::string out, line;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(' ', start + 1);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (!line.empty() && line.size() + word.size() > 79) {
      out += line + "\n";
      line = std::string(indent, ' ') + word.substr(1);
    } else {
      line += word;
    }
    start = end;
  }
  return out + line + "\n";
}

std::string Overview() {
  std::string text =
      "usage: tarnwick-cli COMMAND [OPTIONS] ARCHIVE ...\n"
      "\n"
      "Lists, tests, unpacks and updates Heroes of Might & Magic IV resource archives\n"
      "(.h4r).\n"
      "\n"
      "commands:\n";
  for (const Command& c : kCommands) {
    text += Wrapped("  " + c.Synopsis(), 6);
    text += c.About;
  }
  return text +
         "\n"
         "SELECTION (every option narrows; none: all entries):\n"
         "  --include PATTERN, PATTERN  path and name match (? * ** **/), repeatable\n"
         "  --exclude PATTERN           leave out what matches, repeatable\n"
         "  --match TEXT                name (path, both: --in) holds TEXT, repeatable\n"
         "  --in name|path|both, --compressed-only, --case-sensitive\n"
         "\n"
         "  -- ends the options (for an archive whose name starts with \"-\").\n"
         "  tarnwick-cli help COMMAND (or COMMAND --help) prints the options of one\n"
         "  command, tarnwick-cli --version the program's version.\n"
         "\n"
         "exit status: 0 all well, 1 damaged archive, failed entries or a selection\n"
         "that selects nothing, 2 usage error, an archive that cannot be opened or not\n"
         "enough memory.\n";
}

const Command* Find(const std::string& name) {
  for (const Command& c : kCommands) {
    if (name == c.Name) return &c;
  }
  return nullptr;
}

int Run(int argc, char** argv) {
  std::vector<std::string> args = cli::CommandLineArguments(argc, argv);
  if (args.empty()) {
    std::fputs(kUsageLine, stderr);
    return cli::kExitUsage;
  }
  const std::string command = args.front();
  args.erase(args.begin());
  const bool askedForHelp =
      args.empty() || args.front() == "--help" || args.front() == "-h" || args.front() == "help";
  if (command == "help" && !askedForHelp) {
    if (const Command* c = Find(args.front())) return c->Run({"--help"});
    std::fprintf(stderr, "tarnwick-cli: unknown command %s\n%s", args.front().c_str(), kUsageLine);
    return cli::kExitUsage;
  }
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(Overview().c_str(), stdout);
    return cli::kExitOk;
  }
  if (command == "--version") {
    std::puts("tarnwick-cli " TARNWICK_VERSION);
    return cli::kExitOk;
  }
  if (const Command* c = Find(command)) return c->Run(args);
  std::fprintf(stderr, "tarnwick-cli: unknown command %s\n%s", command.c_str(), kUsageLine);
  return cli::kExitUsage;
}

// What a command wrote to stdout must have arrived, the last buffer
// included: a listing cut short by a full disk is no success. One line,
// however many writes failed.
int CheckedStdout(int status) {
  errno = 0;
  const bool flushFailed = std::fflush(stdout) != 0;
  const int error = errno;
  if (!flushFailed && !std::ferror(stdout)) return status;
  const std::string reason =
      flushFailed && error != 0 ? std::string(": ") + std::strerror(error) : "";
  std::fprintf(stderr, "tarnwick-cli: cannot write to stdout%s\n", reason.c_str());
  return status == cli::kExitOk ? cli::kExitIncomplete : status;
}

}  // namespace

int main(int argc, char** argv) {
  cli::PrepareConsole();
  // The commands take memory in proportion to what an archive declares; when
  // even the bounded amount is not there, the user gets a line, not an abort.
  try {
    return CheckedStdout(Run(argc, argv));
  } catch (const std::bad_alloc&) {
    std::fflush(stdout);
    std::fputs("tarnwick-cli: not enough memory\n", stderr);
    return cli::kExitUsage;
  }
}
