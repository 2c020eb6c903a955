// tarnwick-cli: lists and unpacks Heroes of Might & Magic IV resource
// archives from a terminal or a script.
#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "cli/arguments.h"
#include "cli/extract_command.h"
#include "cli/list_command.h"
#include "cli/loaded_archive.h"
#include "cli/update_command.h"

namespace {

constexpr const char* kUsage =
    "usage: tarnwick-cli COMMAND [OPTIONS] ARCHIVE ...\n"
    "\n"
    "Lists, unpacks and updates Heroes of Might & Magic IV resource archives (.h4r).\n"
    "\n"
    "commands:\n"
    "  list [--stored-paths] [--json] [--] ARCHIVE\n"
    "      Lists the archive's entries and counts. Folders are formed from the\n"
    "      dotted names unless --stored-paths keeps the paths stored in the archive.\n"
    "  extract [--stored-paths] [--keep-empty] [--compressed-only] [--match TEXT]\n"
    "          [--in name|path|both] [--case-sensitive] [--quiet] [--jobs N]\n"
    "          [--] ARCHIVE [OUTDIR]\n"
    "      Unpacks the entries into OUTDIR (default: the current directory): all of\n"
    "      them, or those compressed and/or those whose name (path, both) holds TEXT,\n"
    "      Latin case ignored unless --case-sensitive. Empty entries are passed over\n"
    "      unless --keep-empty. Failed entries are listed on stderr; --quiet leaves\n"
    "      out the summary line. --jobs N unpacks on N threads (default: one per\n"
    "      processor) with the same result as one.\n"
    "  update [--stored-paths] [--level N] [-o NEW] [--dry-run] [--] ARCHIVE DIR\n"
    "      Puts the edited files of DIR, unpacked by extract, back into the archive\n"
    "      (or into a copy, NEW); all other bytes of the archive stay as they were.\n"
    "\n"
    "  -- ends the options (for an archive whose name starts with \"-\").\n"
    "  tarnwick-cli COMMAND --help (-h) prints the options of one command,\n"
    "  tarnwick-cli --version the program's version.\n"
    "\n"
    "exit status: 0 all well, 1 damaged archive or failed entries, 2 usage error,\n"
    "an archive that cannot be opened or not enough memory.\n";

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
    std::puts("tarnwick-cli 1.01");
    return cli::kExitOk;
  }
  if (command == "list") return cli::RunList(args);
  if (command == "extract") return cli::RunExtract(args);
  if (command == "update") return cli::RunUpdate(args);
  std::fprintf(stderr, "tarnwick-cli: unknown command %s\n\n%s", command.c_str(), kUsage);
  return cli::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  cli::PrepareConsole();
  // The commands take memory in proportion to what an archive declares; when
  // even the bounded amount is not there, the user gets a line, not an abort.
  try {
    return Run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fflush(stdout);
    std::fputs("tarnwick-cli: not enough memory\n", stderr);
    return cli::kExitUsage;
  }
}
