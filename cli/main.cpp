// tarnwick-cli: lists, tests and unpacks Heroes of Might & Magic IV resource
// archives from a terminal or a script.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/compact_command.h"
#include "cli/create_command.h"
#include "cli/extract_command.h"
#include "cli/list_command.h"
#include "cli/loaded_archive.h"
#include "cli/read_commands.h"
#include "cli/update_command.h"
#include "tarnwick_version.h"

namespace {

constexpr const char* kUsage =
    "usage: tarnwick-cli COMMAND [OPTIONS] ARCHIVE ...\n"
    "\n"
    "Lists, tests, unpacks and updates Heroes of Might & Magic IV resource archives\n"
    "(.h4r).\n"
    "\n"
    "commands:\n"
    "  list [--stored-paths] [--long] [--json] [SELECTION] ARCHIVE [PATTERN...]\n"
    "      Lists the entries and the archive's counts. Folders are formed from the\n"
    "      dotted names unless --stored-paths keeps the paths stored in the archive.\n"
    "      --long (-l) adds the stored size and ratio columns.\n"
    "  test [--stored-paths] [--jobs N] [SELECTION] ARCHIVE [PATTERN...]\n"
    "      Unpacks every selected entry in memory and names the damaged ones.\n"
    "  print [--stored-paths] [SELECTION] ARCHIVE [ENTRY...]\n"
    "      Writes the named (or selected) entries' bytes to stdout.\n"
    "  extract [--stored-paths] [--keep-empty] [--overwrite | --skip-existing]\n"
    "          [--quiet] [--jobs N] [SELECTION] ARCHIVE [OUTDIR]\n"
    "  extract [OPTIONS] -C OUTDIR ARCHIVE [PATTERN...]\n"
    "      Unpacks the selected entries into OUTDIR (default: the current\n"
    "      directory). Empty entries are passed over unless --keep-empty. Failed\n"
    "      entries are listed on stderr; --quiet leaves out the summary line.\n"
    "      --jobs N unpacks on N threads (default: one per processor) with the\n"
    "      same result as one.\n"
    "  update [--stored-paths] [--level N] [-o NEW] [--dry-run] [--] ARCHIVE DIR\n"
    "      Puts the edited files of DIR, unpacked by extract, back into the archive\n"
    "      (or into a copy, NEW); all other bytes of the archive stay as they were.\n"
    "  create [--stored-paths] [--level N] [--store PATTERN]... [--jobs N] NEW DIR\n"
    "      Makes a new archive from the files of DIR, laid out as extract writes\n"
    "      them; whole or not at all.\n"
    "  compact [-o NEW] [--] ARCHIVE\n"
    "      Rewrites the archive with only the data its records point to.\n"
    "\n"
    "SELECTION (every option narrows; none: all entries):\n"
    "  --include PATTERN, PATTERN  path and name match (? * ** **/), repeatable\n"
    "  --exclude PATTERN           leave out what matches, repeatable\n"
    "  --match TEXT                name (path, both: --in) holds TEXT, repeatable\n"
    "  --in name|path|both, --compressed-only, --case-sensitive\n"
    "\n"
    "  -- ends the options (for an archive whose name starts with \"-\").\n"
    "  tarnwick-cli COMMAND --help (-h) prints the options of one command,\n"
    "  tarnwick-cli --version the program's version.\n"
    "\n"
    "exit status: 0 all well, 1 damaged archive, failed entries or a selection\n"
    "that selects nothing, 2 usage error, an archive that cannot be opened or not\n"
    "enough memory.\n";

int Run(int argc, char** argv) {
  std::vector<std::string> args = cli::CommandLineArguments(argc, argv);
  if (args.empty()) {
    std::fputs(kUsage, stderr);
    return cli::kExitUsage;
  }
  const std::string command = args.front();
  args.erase(args.begin());
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return cli::kExitOk;
  }
  if (command == "--version") {
    std::puts("tarnwick-cli " TARNWICK_VERSION);
    return cli::kExitOk;
  }
  if (command == "list") return cli::RunList(args);
  if (command == "extract") return cli::RunExtract(args);
  if (command == "test") return cli::RunTest(args);
  if (command == "print") return cli::RunPrint(args);
  if (command == "update") return cli::RunUpdate(args);
  if (command == "create") return cli::RunCreate(args);
  if (command == "compact") return cli::RunCompact(args);
  std::fprintf(stderr, "tarnwick-cli: unknown command %s\n\n%s", command.c_str(), kUsage);
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
  const std::string reason = flushFailed && error != 0 ? std::string(": ") + std::strerror(error) : "";
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
