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

struct ReadOptions {
  PathMode Mode = PathMode::FromNames;
  SelectionOptions Selection;
  unsigned Jobs = DefaultJobs();
  bool Quiet = false;
};

CommandOptions TestLine(ReadOptions& o) {
  return {"test",
          "ARCHIVE [PATTERN...]",
          "Reads and unpacks every selected entry as extract would, writing nothing:\n"
          "each damaged entry is named on stderr, the counts go to stdout.\n",
          {StoredPathsOption(o.Mode, "keep the paths stored in the archive"),
           QuietOption(o.Quiet, "no counts: the exit status tells"),
           JobsOption(o.Jobs, "read on N threads (default: one per processor)")},
          SelectionRows(o.Selection)};
}

CommandOptions PrintLine(ReadOptions& o) {
  return {"print",
          "ARCHIVE [PATTERN...]",
          "Writes the unpacked bytes of the entries the patterns (path and name as list\n"
          "shows them, / or \\ between the folders) and options select to stdout in the\n"
          "archive's order, and nothing else.\n",
          {StoredPathsOption(o.Mode,
                             "PATTERN is matched against the paths stored in the\n"
                             "archive")},
          SelectionRows(o.Selection)};
}

// The archive named and the patterns after it; a status when the command
// ends here.
std::optional<int> Parse(const CommandOptions& line, const std::vector<std::string>& args,
                         ReadOptions& o, std::string& archiveName) {
  const ParsedLine parsed = ParseCommandLine(line, args);
  if (parsed.Exit) return parsed.Exit;
  if (parsed.Operands.empty()) return UsageError(line, "no archive given");
  archiveName = parsed.Operands.front();
  o.Selection.Includes.insert(o.Selection.Includes.end(), parsed.Operands.begin() + 1,
                              parsed.Operands.end());
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
  return "tarnwick-cli: " + ShownPath(io::Utf8FromCp1251(FormedName(entry))) + ": " + what + "\n";
}

}  // namespace

int RunTest(const std::vector<std::string>& args) {
  ReadOptions o;
  std::string archiveName;
  if (std::optional<int> status = Parse(TestLine(o), args, o, archiveName)) return *status;
  const archive::OpenedDirectory loaded = LoadArchive(archiveName, o.Mode);
  if (!loaded.Usable()) return UnusableStatus(loaded);
  WarnIfIncomplete(archiveName, loaded);
  const Selection selection = SelectEntries(loaded.Table, o.Selection);

  size_t damaged = 0;
  UnpackEntries(loaded.Handle, loaded.Table, selection.Entries, o.Jobs,
                [&](size_t i, const extract::UnpackedData* data) {
                  const std::string complaint = Complaint(loaded.Table[selection.Entries[i]], data);
                  if (complaint.empty()) return;
                  ++damaged;
                  std::fputs(complaint.c_str(), stderr);
                });
  if (!o.Quiet) {
    std::printf("%zu sound, %zu damaged\n", selection.Entries.size() - damaged, damaged);
    std::fflush(stdout);
  }
  return damaged > 0 || selection.Failed || !loaded.Read.Complete ? kExitIncomplete : kExitOk;
}

int RunPrint(const std::vector<std::string>& args) {
  ReadOptions o;
  const CommandOptions line = PrintLine(o);
  std::string archiveName;
  if (std::optional<int> status = Parse(line, args, o, archiveName)) return *status;
  // A whole archive on a terminal is no one's wish: something must be named.
  if (!o.Selection.Narrows()) return UsageError(line, "no entry named");
  const archive::OpenedDirectory loaded = LoadArchive(archiveName, o.Mode);
  if (!loaded.Usable()) return UnusableStatus(loaded);
  WarnIfIncomplete(archiveName, loaded);
  const Selection selection = SelectEntries(loaded.Table, o.Selection);
  bool failed = selection.Failed;

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
  return failed || writeFailed || !loaded.Read.Complete ? kExitIncomplete : kExitOk;
}

std::string TestSynopsis() {
  ReadOptions o;
  return Synopsis(TestLine(o));
}

std::string PrintSynopsis() {
  ReadOptions o;
  return Synopsis(PrintLine(o));
}

}  // namespace cli
