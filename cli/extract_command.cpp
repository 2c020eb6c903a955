#include "cli/extract_command.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "cli/arguments.h"
#include "cli/extract_jobs.h"
#include "cli/json_text.h"
#include "cli/loaded_archive.h"
#include "cli/outcome_text.h"
#include "extract/entry_extraction.h"
#include "extract/folder_creation.h"
#include "extract/progress.h"
#include "kol/file_backend.h"
#include "kol/text_encoding.h"
#include "selection/mask_match.h"

namespace cli {

using archive::ArchiveEntry;
using archive::EntryTable;
using archive::PathMode;
using archive::kCompressionDeflated;

namespace {

constexpr const char* kExtractUsage =
    "usage: tarnwick-cli extract [--stored-paths] [--keep-empty] [--compressed-only]\n"
    "           [--match TEXT] [--in name|path|both] [--case-sensitive] [--quiet]\n"
    "           [--jobs N] [--] ARCHIVE [OUTDIR]\n";

struct ExtractOptions {
  PathMode Mode = PathMode::FromNames;
  bool KeepEmpty = false;
  bool CompressedOnly = false;
  std::optional<std::string> Match;  // UTF-8 as typed
  selection::MaskOptions MaskOptions;
  bool Quiet = false;
  unsigned Jobs = DefaultJobs();
  std::string Archive;
  std::string OutputFolder;
};

int UsageError(const std::string& message) {
  std::fprintf(stderr, "tarnwick-cli extract: %s\n%s", message.c_str(), kExtractUsage);
  return kExitUsage;
}

std::optional<int> ParseOptions(const std::vector<std::string>& args, ExtractOptions& o) {
  std::vector<std::string> operands;
  bool optionsEnded = false;
  for (size_t k = 0; k < args.size(); ++k) {
    const std::string& arg = args[k];
    if (optionsEnded) {
      operands.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      // Usage errors show the usage lines only; asking for help gets the options too.
      constexpr const char* kOptionsHelp =
          "\n"
          "Unpacks the archive's entries into OUTDIR (default: the current directory).\n"
          "\n"
          "  --stored-paths       keep the paths stored in the archive instead of\n"
          "                       forming folders from the dotted names\n"
          "  --keep-empty         write the empty entries too\n"
          "  --compressed-only    only the compressed entries\n"
          "  --match TEXT         only the entries whose name (path, both) holds TEXT\n"
          "  --in name|path|both  where --match looks (default: name)\n"
          "  --case-sensitive     --match tells Latin capitals from small letters\n"
          "  --quiet              no summary line\n"
          "  --jobs N             unpack on N threads (default: one per processor)\n"
          "  --help, -h           print this help\n"
          "  --                   end of options: ARCHIVE and OUTDIR follow\n";
      std::fputs(kExtractUsage, stdout);
      std::fputs(kOptionsHelp, stdout);
      return kExitOk;
    } else if (arg == "--stored-paths") {
      o.Mode = PathMode::Stored;
    } else if (arg == "--keep-empty") {
      o.KeepEmpty = true;
    } else if (arg == "--compressed-only") {
      o.CompressedOnly = true;
    } else if (arg == "--case-sensitive") {
      o.MaskOptions.IgnoreCase = false;
    } else if (arg == "--quiet") {
      o.Quiet = true;
    } else if (arg == "--match" || arg == "--in" || arg == "--jobs") {
      if (k + 1 == args.size()) return UsageError(arg + " needs a value");
      const std::string& value = args[++k];
      if (arg == "--jobs") {
        const bool digits = !value.empty() && value.size() <= 4 &&
                            value.find_first_not_of("0123456789") == std::string::npos;
        if (!digits || std::stoi(value) == 0) return UsageError("--jobs takes a number from 1, not " + value);
        o.Jobs = static_cast<unsigned>(std::stoi(value));
      } else if (arg == "--match") {
        o.Match = value;
      } else if (value == "name" || value == "path" || value == "both") {
        o.MaskOptions.ByName = value != "path";
        o.MaskOptions.ByPath = value != "name";
      } else {
        return UsageError("--in takes name, path or both, not " + value);
      }
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option " + arg);
    } else {
      operands.push_back(arg);
    }
  }
  if (operands.empty()) return UsageError("no archive given");
  if (operands.size() > 2) return UsageError("too many arguments");
  o.Archive = operands[0];
  o.OutputFolder = InternalPath(operands.size() > 1 ? operands[1] : kol::fs::CurrentDirectory());
  return std::nullopt;
}

// Entries in directory order: all of them, or those that the filters take.
std::vector<size_t> ChosenEntries(const EntryTable& table, const ExtractOptions& o) {
  std::optional<selection::MaskMatcher> matcher;
  if (o.Match) {
    // A character outside code page 1251 cannot be in any name: such a mask
    // matches nothing.
    if (std::optional<std::string> mask = kol::Utf8ToCp1251(*o.Match)) matcher.emplace(*mask, o.MaskOptions);
  }
  const bool all = !o.CompressedOnly && !o.Match;
  std::vector<size_t> chosen;
  for (size_t k = 0; k < table.size(); ++k) {
    const ArchiveEntry& e = table[k];
    if (all || (o.CompressedOnly && e.Compression == kCompressionDeflated) ||
        (matcher && matcher->Matches(e))) {
      chosen.push_back(k);
    }
  }
  return chosen;
}

}  // namespace

int RunExtract(const std::vector<std::string>& args) {
  ExtractOptions o;
  if (std::optional<int> status = ParseOptions(args, o)) return *status;

  LoadedArchive loaded = LoadArchive(o.Archive, o.Mode);
  if (!loaded.Opened) {
    std::fprintf(stderr, "tarnwick-cli: cannot open %s: %s\n", o.Archive.c_str(), loaded.OpenError.c_str());
    return kExitUsage;
  }
  WarnIfIncomplete(o.Archive, loaded);
  std::string failure;
  if (!extract::CreateFolderPath(o.OutputFolder, &failure) && failure.empty()) failure = "cannot create it";
  if (failure.empty() && !kol::fs::IsExistingDirectory(o.OutputFolder) &&
      !kol::fs::MakeDirectory(o.OutputFolder)) {
    failure = "cannot create it: " + kol::fs::LastErrorText();
  }
  if (!failure.empty()) {
    std::fprintf(stderr, "tarnwick-cli: output folder %s: %s\n", ShownPath(o.OutputFolder).c_str(),
                 PrintableText(failure).c_str());
    return kExitIncomplete;
  }

  const std::vector<size_t> chosen = ChosenEntries(loaded.Table, o);
  // Empty entries are passed over unless kept; they still count as steps.
  std::vector<size_t> work;
  size_t passedOver = 0;
  for (const size_t k : chosen) {
    if (loaded.Table[k].StoredSize <= 0 && !o.KeepEmpty) {
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
    std::fprintf(stderr, "\r%s", extract::ProgressText(static_cast<long long>(steps), n).c_str());
    std::fflush(stderr);
  };
  const std::vector<extract::ExtractOutcome> outcomes =
      ExtractEntries(o.Archive, loaded.Table, work, o.OutputFolder, o.Jobs, stepDone);

  size_t written = 0;
  std::string failures;
  for (size_t i = 0; i < work.size(); ++i) {
    const extract::ExtractOutcome& outcome = outcomes[i];
    if (outcome.Status == extract::ExtractStatus::Written) {
      ++written;
      continue;
    }
    failures += "tarnwick-cli: " + PrintableText(kol::Cp1251ToUtf8(loaded.Table[work[i]].Name)) + " -> " +
                ShownPath(outcome.Destination) +
                (outcome.Status == extract::ExtractStatus::Damaged ? ": damaged: " : ": not written: ") +
                PrintableText(OutcomeText(outcome)) + "\n";
  }
  if (showProgress && shownPercent >= 0) std::fputs("\n", stderr);
  const size_t failed = chosen.size() - written - passedOver;
  if (!o.Quiet) {
    std::printf("%zu written, %zu passed over, %zu failed\n", written, passedOver, failed);
    std::fflush(stdout);
  }
  std::fputs(failures.c_str(), stderr);
  return failed > 0 || !loaded.Directory.Complete ? kExitIncomplete : kExitOk;
}

}  // namespace cli
