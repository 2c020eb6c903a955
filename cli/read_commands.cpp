#include "cli/read_commands.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "cli/arguments.h"
#include "cli/entry_selection.h"
#include "cli/extract_jobs.h"
#include "cli/json_text.h"
#include "cli/loaded_archive.h"
#include "cli/outcome_text.h"
#include "io/text_encoding.h"

namespace cli {

using archive::PathMode;

namespace {

constexpr const char* kTestUsage =
    "usage: tarnwick-cli test [--stored-paths] [--jobs N] [SELECTION] ARCHIVE [PATTERN...]\n";
constexpr const char* kTestHelp =
    "\n"
    "Reads and unpacks every selected entry as extract would, writing nothing:\n"
    "each damaged entry is named on stderr, the counts go to stdout.\n"
    "\n"
    "  --stored-paths       keep the paths stored in the archive\n"
    "  --jobs N             read on N threads (default: one per processor)\n";
constexpr const char* kPrintUsage =
    "usage: tarnwick-cli print [--stored-paths] [SELECTION] ARCHIVE [ENTRY...]\n";
constexpr const char* kPrintHelp =
    "\n"
    "Writes the unpacked bytes of the entries named (path and name as list shows\n"
    "them, / or \\ between the folders), or of those selected, to stdout in the\n"
    "archive's order, and nothing else.\n"
    "\n"
    "  --stored-paths       ENTRY is named by the paths stored in the archive\n";

struct ReadOptions {
  PathMode Mode = PathMode::FromNames;
  SelectionOptions Selection;
  unsigned Jobs = DefaultJobs();
  std::string Archive;
  std::vector<std::string> Words;  // after the archive
};

// Parses what test and print share; a status when the command ends here.
std::optional<int> Parse(const char* command, const char* usage, const char* help, bool takesJobs,
                         const std::vector<std::string>& args, ReadOptions& o) {
  auto usageError = [&](const std::string& message) {
    std::fprintf(stderr, "tarnwick-cli %s: %s\n%s", command, message.c_str(), usage);
    return kExitUsage;
  };
  bool optionsEnded = false;
  for (size_t k = 0; k < args.size(); ++k) {
    const std::string& arg = args[k];
    std::string error;
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      (o.Archive.empty() ? o.Archive : o.Words.emplace_back()) = arg;
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (arg == "--help" || arg == "-h") {
      std::fputs(usage, stdout);
      std::fputs(help, stdout);
      std::fputs(kSelectionHelp, stdout);
      std::fputs("  --help, -h           print this help\n", stdout);
      return kExitOk;
    } else if (TakeSelectionOption(args, k, o.Selection, error)) {
      if (!error.empty()) return usageError(error);
    } else if (arg == "--stored-paths") {
      o.Mode = PathMode::Stored;
    } else if (takesJobs && arg == "--jobs") {
      const std::string value = k + 1 < args.size() ? args[++k] : std::string();
      const bool digits = !value.empty() && value.size() <= 4 &&
                          value.find_first_not_of("0123456789") == std::string::npos;
      if (!digits || std::stoi(value) == 0) return usageError("--jobs takes a number from 1");
      o.Jobs = static_cast<unsigned>(std::stoi(value));
    } else {
      return usageError("unknown option " + arg);
    }
  }
  if (o.Archive.empty()) return usageError("no archive given");
  return std::nullopt;
}

// The archive, or the status when it cannot be read.
std::optional<int> Load(const ReadOptions& o, LoadedArchive& loaded) {
  loaded = LoadArchive(o.Archive, o.Mode);
  if (!loaded.Opened) {
    std::fprintf(stderr, "tarnwick-cli: cannot open %s: %s\n", o.Archive.c_str(),
                 loaded.OpenError.c_str());
    return loaded.FailureStatus;
  }
  WarnIfIncomplete(o.Archive, loaded);
  return std::nullopt;
}

// "tarnwick-cli: layers/button/cancel.h4r: damaged: ..." for an entry whose
// data is not sound; empty for one that is. Nothing is written anywhere, so
// the words about what a file was left with do not apply.
std::string Complaint(const archive::ArchiveEntry& entry, const extract::UnpackedData* data) {
  std::string what;
  if (data == nullptr) {
    what = "not read: there is not enough memory to unpack it";
  } else if (data->Verdict.Status != extract::ExtractStatus::Written) {
    extract::ExtractOutcome outcome = data->Verdict;
    outcome.Unpacked = -1;
    what =
        (outcome.Status == extract::ExtractStatus::Damaged ? "damaged: " : "cannot be unpacked: ") +
        PrintableText(OutcomeText(outcome));
  } else {
    return std::string();
  }
  return "tarnwick-cli: " + ShownPath(io::Cp1251ToUtf8(FormedName(entry))) + ": " + what + "\n";
}

}  // namespace

int RunTest(const std::vector<std::string>& args) {
  ReadOptions o;
  if (std::optional<int> status = Parse("test", kTestUsage, kTestHelp, true, args, o))
    return *status;
  o.Selection.Includes.insert(o.Selection.Includes.end(), o.Words.begin(), o.Words.end());
  LoadedArchive loaded;
  if (std::optional<int> status = Load(o, loaded)) return *status;
  const Selection selection = SelectEntries(loaded.Table, o.Selection);

  size_t damaged = 0;
  UnpackEntries(loaded.Handle, loaded.Table, selection.Entries, o.Jobs,
                [&](size_t i, const extract::UnpackedData* data) {
                  const std::string complaint = Complaint(loaded.Table[selection.Entries[i]], data);
                  if (complaint.empty()) return;
                  ++damaged;
                  std::fputs(complaint.c_str(), stderr);
                });
  std::printf("%zu sound, %zu damaged\n", selection.Entries.size() - damaged, damaged);
  std::fflush(stdout);
  return damaged > 0 || selection.Failed || !loaded.Directory.Complete ? kExitIncomplete : kExitOk;
}

int RunPrint(const std::vector<std::string>& args) {
  ReadOptions o;
  if (std::optional<int> status = Parse("print", kPrintUsage, kPrintHelp, false, args, o))
    return *status;
  if (o.Words.empty() && !o.Selection.Narrows()) {
    std::fprintf(stderr, "tarnwick-cli print: no entry named\n%s", kPrintUsage);
    return kExitUsage;
  }
  LoadedArchive loaded;
  if (std::optional<int> status = Load(o, loaded)) return *status;
  Selection selection = SelectEntries(loaded.Table, o.Selection);

  // Names compared as the archive spells them, "\" between the folders.
  bool failed = selection.Failed;
  if (!o.Words.empty()) {
    std::vector<std::string> names;
    for (const std::string& w : o.Words)
      names.push_back(InternalPath(io::Utf8ToCp1251(w).value_or(std::string())));
    std::vector<char> found(names.size(), 0);
    std::vector<size_t> named;
    for (const size_t k : selection.Entries) {
      const std::string formed = InternalPath(FormedName(loaded.Table[k]));
      bool wanted = false;
      for (size_t n = 0; n < names.size(); ++n) {
        if (!names[n].empty() && names[n] == formed) {
          found[n] = 1;
          wanted = true;
        }
      }
      if (wanted) named.push_back(k);
    }
    for (size_t n = 0; n < names.size(); ++n) {
      if (found[n]) continue;
      std::fprintf(stderr, "tarnwick-cli: %s: no such entry\n", PrintableText(o.Words[n]).c_str());
      failed = true;
    }
    selection.Entries = std::move(named);
  }

  BinaryStdout();
  bool writeFailed = false;
  UnpackEntries(loaded.Handle, loaded.Table, selection.Entries, DefaultJobs(),
                [&](size_t i, const extract::UnpackedData* data) {
                  const archive::ArchiveEntry& entry = loaded.Table[selection.Entries[i]];
                  if (data != nullptr && data->Bytes != nullptr && !writeFailed) {
                    io::Stream& bytes = *data->Bytes;
                    const size_t size = io::StreamSize(bytes);
                    writeFailed = size > 0 && std::fwrite(bytes.Memory(), 1, size, stdout) != size;
                  }
                  const std::string complaint = Complaint(entry, data);
                  if (complaint.empty()) return;
                  failed = true;
                  // Said when it happens, after what went out before it.
                  std::fflush(stdout);
                  std::fputs(complaint.c_str(), stderr);
                });
  // main flushes the rest and says that stdout failed, once.
  return failed || writeFailed || !loaded.Directory.Complete ? kExitIncomplete : kExitOk;
}

}  // namespace cli
