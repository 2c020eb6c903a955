#include "cli/extract_command.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "cli/arguments.h"
#include "cli/entry_selection.h"
#include "cli/extract_jobs.h"
#include "cli/interruption.h"
#include "cli/json_text.h"
#include "cli/loaded_archive.h"
#include "cli/outcome_text.h"
#include "extract/entry_extraction.h"
#include "extract/folder_creation.h"
#include "extract/progress.h"
#include "io/file_backend.h"
#include "io/text_encoding.h"

namespace cli {

using archive::PathMode;

namespace {

constexpr const char* kExtractUsage =
    "usage: tarnwick-cli extract [OPTIONS] ARCHIVE [OUTDIR]\n"
    "       tarnwick-cli extract [OPTIONS] -C OUTDIR ARCHIVE [PATTERN...]\n";

struct ExtractOptions {
  PathMode Mode = PathMode::FromNames;
  bool KeepEmpty = false;
  SelectionOptions Selection;
  bool Quiet = false;
  bool SkipExisting = false;
  bool SetTimes = true;
  unsigned Jobs = DefaultJobs();
  std::string Archive;
  std::optional<std::string> OutputOption;  // -C, --output
  std::string OutputFolder;
};

int UsageError(const std::string& message) {
  std::fprintf(stderr, "tarnwick-cli extract: %s\n%s", message.c_str(), kExtractUsage);
  return kExitUsage;
}

void PrintHelp() {
  // Usage errors show the usage lines only; asking for help gets the options too.
  constexpr const char* kOptionsHelp =
      "\n"
      "Unpacks the archive's entries into OUTDIR (default: the current directory).\n"
      "Once the folder is given with -C, the words after ARCHIVE are patterns, as\n"
      "with --include.\n"
      "\n"
      "  -C, --output OUTDIR  unpack into OUTDIR\n"
      "  --stored-paths       keep the paths stored in the archive instead of\n"
      "                       forming folders from the dotted names\n"
      "  --keep-empty         write the empty entries too\n"
      "  --overwrite          replace files that exist (the default)\n"
      "  --skip-existing      leave files that exist as they are, counted as skipped\n"
      "  -m, --touch          leave the files' times alone instead of giving each\n"
      "                       its entry's time\n"
      "  --quiet              no summary line\n"
      "  --jobs N             unpack on N threads (default: one per processor)\n";
  std::fputs(kExtractUsage, stdout);
  std::fputs(kOptionsHelp, stdout);
  std::fputs(kSelectionHelp, stdout);
  std::fputs(
      "  --help, -h           print this help\n"
      "  --                   end of options: ARCHIVE and what follows are operands\n",
      stdout);
}

std::optional<int> ParseOptions(const std::vector<std::string>& args, ExtractOptions& o) {
  std::vector<std::string> operands;
  bool optionsEnded = false;
  for (size_t k = 0; k < args.size(); ++k) {
    const std::string& arg = args[k];
    std::string error;
    if (optionsEnded) {
      operands.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      PrintHelp();
      return kExitOk;
    } else if (TakeSelectionOption(args, k, o.Selection, error)) {
      if (!error.empty()) return UsageError(error);
    } else if (arg == "--stored-paths") {
      o.Mode = PathMode::Stored;
    } else if (arg == "--keep-empty") {
      o.KeepEmpty = true;
    } else if (arg == "--quiet") {
      o.Quiet = true;
    } else if (arg == "--touch" || arg == "-m") {
      o.SetTimes = false;
    } else if (arg == "--overwrite" || arg == "--skip-existing") {
      o.SkipExisting = arg == "--skip-existing";
    } else if (arg == "--jobs" || arg == "-C" || arg == "--output") {
      if (k + 1 == args.size()) return UsageError(arg + " needs a value");
      const std::string& value = args[++k];
      if (arg != "--jobs") {
        o.OutputOption = value;
        continue;
      }
      const bool digits = !value.empty() && value.size() <= 4 &&
                          value.find_first_not_of("0123456789") == std::string::npos;
      if (!digits || std::stoi(value) == 0)
        return UsageError("--jobs takes a number from 1, not " + value);
      o.Jobs = static_cast<unsigned>(std::stoi(value));
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option " + arg);
    } else {
      operands.push_back(arg);
    }
  }
  if (operands.empty()) return UsageError("no archive given");
  o.Archive = operands[0];
  if (o.OutputOption) {
    // The folder is named: the other words are patterns.
    o.Selection.Includes.insert(o.Selection.Includes.end(), operands.begin() + 1, operands.end());
    if (o.OutputOption->empty()) return UsageError("-C needs a folder");
    o.OutputFolder = InternalPath(*o.OutputOption);
    return std::nullopt;
  }
  if (operands.size() > 2)
    return UsageError("too many arguments (patterns follow the archive once -C names the folder)");
  o.OutputFolder = InternalPath(operands.size() > 1 ? operands[1] : io::fs::CurrentDirectory());
  return std::nullopt;
}

// The output folder, made when missing; false, said on stderr, when it cannot be.
bool MakeOutputFolder(const std::string& folder) {
  extract::FolderPathFailure why;
  std::string failure;
  if (!extract::CreateFolderPath(folder, why)) {
    failure =
        "cannot create folder " + ShownPath(why.Folder) + ": " + PrintableText(why.SystemError);
  } else if (!io::fs::IsExistingDirectory(folder) && !io::fs::MakeDirectory(folder)) {
    failure = "cannot create it: " + PrintableText(io::fs::LastErrorText());
  }
  if (failure.empty()) return true;
  std::fprintf(stderr, "tarnwick-cli: output folder %s: %s\n", ShownPath(folder).c_str(),
               failure.c_str());
  return false;
}

}  // namespace

int RunExtract(const std::vector<std::string>& args) {
  ExtractOptions o;
  if (std::optional<int> status = ParseOptions(args, o)) return *status;

  LoadedArchive loaded = LoadArchive(o.Archive, o.Mode);
  if (!loaded.Opened) {
    std::fprintf(stderr, "tarnwick-cli: cannot open %s: %s\n", o.Archive.c_str(),
                 loaded.OpenError.c_str());
    return loaded.FailureStatus;
  }
  WarnIfIncomplete(o.Archive, loaded);
  const Selection selection = SelectEntries(loaded.Table, o.Selection);
  if (!MakeOutputFolder(o.OutputFolder)) return kExitIncomplete;

  const std::vector<size_t>& chosen = selection.Entries;
  // Empty entries are passed over unless kept; they still count as steps.
  std::vector<size_t> work;
  size_t passedOver = 0;
  for (const size_t k : chosen) {
    // An alias stands for its target's data: it is not empty.
    if (loaded.Table[k].StoredSize <= 0 && !loaded.Table[k].IsAlias() && !o.KeepEmpty) {
      ++passedOver;
    } else {
      work.push_back(k);
    }
  }
  const bool showProgress = StderrIsTerminal();
  int shownPercent = -1;
  size_t steps = passedOver;
  auto stepDone = [&] {
    ++steps;
    if (!showProgress) return;
    // Only when the figure changes: a terminal need not be redrawn per entry.
    const auto n = static_cast<long long>(chosen.size());
    const int percent = extract::ProgressPercent(static_cast<long long>(steps), n);
    if (percent == shownPercent) return;
    shownPercent = percent;
    std::fprintf(stderr, "\rUnpacking ... %d%%", percent);
    std::fflush(stderr);
  };
  // Interrupted, the run leaves no file shorter than its entry.
  static io::fs::Unfinished unfinished;  // the handler may look at it until the end
  RemoveOnInterruption(unfinished, "the file being written was removed");
  const ExtractRun run = ExtractEntries(loaded.Handle, loaded.Table, work, o.OutputFolder,
                                        {o.Jobs, o.SkipExisting, o.SetTimes, &unfinished}, stepDone);

  size_t written = 0, skipped = 0;
  std::string failures;
  for (size_t i = 0; i < work.size(); ++i) {
    const extract::ExtractOutcome& outcome = run.Outcomes[i];
    if (run.Skipped[i]) {
      ++skipped;
      continue;
    }
    if (outcome.Status == extract::ExtractStatus::Written) {
      ++written;
      continue;
    }
    failures +=
        "tarnwick-cli: " + PrintableText(io::Cp1251ToUtf8(loaded.Table[work[i]].Name)) + " -> " +
        ShownPath(outcome.Destination) +
        (outcome.Status == extract::ExtractStatus::Damaged ? ": damaged: " : ": not written: ") +
        PrintableText(OutcomeText(outcome)) + "\n";
  }
  if (showProgress && shownPercent >= 0) std::fputs("\n", stderr);
  const size_t failed = chosen.size() - written - passedOver - skipped;
  if (!o.Quiet) {
    // Scripts read the first three counts: the skipped ones come after them,
    // and only when there are some.
    std::printf("%zu written, %zu passed over, %zu failed", written, passedOver, failed);
    if (skipped > 0) std::printf(", %zu skipped", skipped);
    std::printf("\n");
    std::fflush(stdout);
  }
  std::fputs(failures.c_str(), stderr);
  return failed > 0 || !loaded.Directory.Complete || selection.Failed ? kExitIncomplete : kExitOk;
}

}  // namespace cli
