#include "cli/extract_command.h"

#include <algorithm>
#include <cstdio>
#include <functional>
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

CommandOptions ExtractLine(ExtractOptions& o) {
  return {
      "extract",
      "ARCHIVE [OUTDIR | PATTERN...]",
      "Unpacks the archive's entries into OUTDIR (default: the current directory).\n"
      "Once the folder is given with -C, the words after ARCHIVE are patterns, as\n"
      "with --include.\n",
      {{"output", 'C', "OUTDIR", "unpack into OUTDIR",
        [&o](const std::string& value) {
          o.OutputOption = value;
          return value.empty() ? std::string("-C needs a folder") : std::string();
        }},
       StoredPathsOption(o.Mode,
                         "keep the paths stored in the archive instead of\n"
                         "forming folders from the dotted names"),
       Flag("keep-empty", 0, "write the empty entries too", [&o] { o.KeepEmpty = true; }),
       Flag("overwrite", 0, "replace files that exist (the default)",
            [&o] { o.SkipExisting = false; }),
       Flag("skip-existing", 0, "leave files that exist as they are, counted as skipped",
            [&o] { o.SkipExisting = true; }),
       Flag("touch", 'm', "leave the files' times alone instead of giving each\nits entry's time",
            [&o] { o.SetTimes = false; }),
       QuietOption(o.Quiet, "no summary line and no progress"),
       JobsOption(o.Jobs, "unpack on N threads (default: one per processor)")},
      SelectionRows(o.Selection)};
}

// The archive and the output folder from the operands; a status when the
// command ends here.
std::optional<int> TakeOperands(const CommandOptions& line,
                                const std::vector<std::string>& operands, ExtractOptions& o) {
  if (operands.empty()) return UsageError(line, "no archive given");
  o.Archive = operands[0];
  if (o.OutputOption) {
    // The folder is named: the other words are patterns.
    o.Selection.Includes.insert(o.Selection.Includes.end(), operands.begin() + 1, operands.end());
    o.OutputFolder = InternalPath(*o.OutputOption);
    return std::nullopt;
  }
  if (operands.size() > 2) {
    return UsageError(line,
                      "too many arguments (patterns follow the archive once -C names the folder)");
  }
  if (operands.size() == 2 && operands[1].find_first_of("*?") != std::string::npos) {
    return UsageError(line, "the output folder " + PrintableText(operands[1]) +
                                " holds * or ?: to unpack the entries it matches, name the "
                                "folder with -C (extract -C OUTDIR ARCHIVE PATTERN...)");
  }
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
  const CommandOptions line = ExtractLine(o);
  const ParsedLine parsed = ParseCommandLine(line, args);
  if (parsed.Exit) return *parsed.Exit;
  if (std::optional<int> status = TakeOperands(line, parsed.Operands, o)) return *status;

  archive::OpenedDirectory loaded = LoadArchive(o.Archive, o.Mode);
  if (!loaded.Usable()) return UnusableStatus(loaded);
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
  const bool showProgress = !o.Quiet && StderrIsTerminal();
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
  const ExtractRun run =
      ExtractEntries(loaded.Handle, loaded.Table, work, o.OutputFolder,
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
        "tarnwick-cli: " + PrintableText(io::Utf8FromCp1251(loaded.Table[work[i]].Name)) + " -> " +
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
  return failed > 0 || !loaded.Read.Complete || selection.Failed ? kExitIncomplete : kExitOk;
}

std::string ExtractSynopsis() {
  ExtractOptions o;
  return Synopsis(ExtractLine(o));
}

}  // namespace cli
