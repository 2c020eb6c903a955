#include "cli/update_command.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <new>
#include <optional>

#include "archive/directory_reader.h"
#include "archive/path_formation.h"
#include "cli/command_options.h"
#include "cli/extract_jobs.h"
#include "cli/interruption.h"
#include "cli/json_text.h"
#include "cli/loaded_archive.h"
#include "cli/outcome_text.h"
#include "cli/update_archive.h"
#include "cli/update_output.h"
#include "cli/update_plan.h"
#include "extract/entry_extraction.h"
#include "io/file_backend.h"
#include "io/stream.h"
#include "io/text_encoding.h"

namespace cli {

using archive::ArchiveEntry;
using archive::EntryTable;
using archive::kCompressionDeflated;
using archive::kCompressionStored;
using archive::PathMode;

namespace {

// The directory's numbers are read as signed by the game: nothing may lie or
// reach beyond this.
constexpr uint32_t kLargest = INT32_MAX;

struct UpdateOptions {
  PathMode Mode = PathMode::FromNames;
  int Level = 9;
  std::optional<std::string> Output;
  bool DryRun = false;
  bool Quiet = false;
  std::string Archive;
  std::string Folder;
};

CommandOptions UpdateLine(UpdateOptions& o) {
  return {"update",
          "ARCHIVE DIR",
          "Puts the files of DIR, unpacked from ARCHIVE by extract and edited, back into\n"
          "it: an entry whose file differs gets the file's content, every other byte of\n"
          "the archive stays as it was.\n",
          {StoredPathsOption(o.Mode, "DIR was unpacked with --stored-paths"),
           {"level", 0, "N", "deflate level 0-9 for compressed entries (default: 9)",
            [&o](const std::string& value) {
              if (value.size() != 1 || value[0] < '0' || value[0] > '9')
                return "--level takes a number from 0 to 9, not " + value;
              o.Level = value[0] - '0';
              return std::string();
            }},
           {"output", 'o', "NEW", "write the result to NEW instead of replacing ARCHIVE",
            [&o](const std::string& value) {
              o.Output = InternalPath(value);
              return std::string();
            }},
           {"dry-run", 0, "", "only say what would be done",
            [&o](const std::string&) {
              o.DryRun = true;
              return std::string();
            }},
           QuietOption(o.Quiet, "nothing on stdout: the exit status tells")}};
}

std::optional<int> ParseOptions(const std::vector<std::string>& args, UpdateOptions& o) {
  const CommandOptions line = UpdateLine(o);
  const ParsedLine parsed = ParseCommandLine(line, args);
  if (parsed.Exit) return parsed.Exit;
  const std::vector<std::string>& operands = parsed.Operands;
  if (operands.size() < 2) return UsageError(line, "ARCHIVE and DIR are needed");
  if (operands.size() > 2) return UsageError(line, "too many arguments");
  o.Archive = operands[0];
  o.Folder = InternalPath(operands[1]);
  // Names below it are joined with one separator; a root such as "/" keeps its own.
  while (o.Folder.size() > 1 && o.Folder.back() == '\\' && o.Folder[o.Folder.size() - 2] != ':')
    o.Folder.pop_back();
  return std::nullopt;
}

// The old archive's bytes, copied while the plan was made, then the new data
// behind them, each replaced entry's record pointing at its own; put in
// place only while the archive is still the file that was read.
std::optional<int> WriteArchive(HeldArchive& held, ArchiveCopy& copy,
                                const std::vector<uint32_t>& records, const Plan& plan,
                                const std::string& target, bool replacing) {
  std::string why;
  TemporaryFile* const written = copy.Finish(why);
  if (written == nullptr) return NothingWritten(why);
  TemporaryFile& temporary = *written;
  const uint32_t archiveSize = static_cast<uint32_t>(held.Identity().Size);

  uint64_t end = archiveSize;
  for (const Replacement& r : plan.Replacements) {
    if (end + r.Data.size() > kLargest)
      return NothingWritten("the archive would grow beyond 2 GiB - 1 bytes");
    const auto offset = static_cast<uint32_t>(end);
    const auto count = static_cast<uint32_t>(r.Data.size());
    if (temporary.End() != offset || !temporary.Write(r.Data.data(), count)) {
      return NothingWritten("cannot write: " + io::fs::LastErrorText());
    }
    end += count;
    std::string fields;
    PutLong(fields, offset);
    PutLong(fields, count);
    PutLong(fields, r.Size);
    if (!temporary.WriteAt(records[r.Entry], fields.data(), static_cast<uint32_t>(fields.size()))) {
      return NothingWritten("cannot write: " + io::fs::LastErrorText());
    }
  }
  if (!held.Unchanged(why)) return NothingWritten(why);
  held.Close();
  if (!temporary.Publish(target, replacing ? &held.Identity() : nullptr))
    return NothingWritten("cannot put " + ShownPath(target) +
                          " in place: " + io::fs::LastErrorText());
  return std::nullopt;
}

// The directory of the held archive, with where each record lies; the exit
// status when it cannot be updated.
std::optional<int> ReadTable(const HeldArchive& held, const UpdateOptions& o, EntryTable& table,
                             std::vector<uint32_t>& records) {
  const io::StreamPtr stream = io::ReadStreamOnHandle(held.Handle(), false);
  const archive::DirectoryReadResult directory = archive::ReadDirectory(*stream, table, &records);
  if (directory.OutOfMemory)
    return NothingWritten("not enough memory to read the directory of " + o.Archive);
  if (!directory.Complete) {
    std::fprintf(
        stderr,
        "tarnwick-cli: %s is damaged: its directory ends early or cannot be read; not updated\n",
        o.Archive.c_str());
    return kExitUsage;
  }
  if (o.Mode == PathMode::FromNames) archive::FormPaths(table);
  return std::nullopt;
}

void PrintPlan(const Plan& plan, bool dryRun, bool quiet) {
  if (dryRun && !quiet) {
    for (const std::string& line : plan.Replaced) std::printf("would replace %s\n", line.c_str());
    for (const std::string& line : plan.Unchanged) std::printf("unchanged %s\n", line.c_str());
  }
  std::fflush(stdout);
  for (const std::string& line : plan.Refused)
    std::fprintf(stderr, "tarnwick-cli: refused %s\n", line.c_str());
  for (const std::string& line : plan.NotAdded)
    std::fprintf(stderr, "tarnwick-cli: not added %s\n", line.c_str());
  std::fflush(stderr);
}

int Update(const UpdateOptions& o) {
  const bool replacing = !o.Output && !o.DryRun;
  HeldArchive held;
  if (std::optional<int> status = held.Hold(o.Archive, replacing)) return *status;
  EntryTable table;
  std::vector<uint32_t> records;
  if (std::optional<int> status = ReadTable(held, o, table, records)) return *status;

  // The old bytes are copied on another thread as soon as it is known that
  // something will be written: at once for -o, else at the first change.
  const std::string target = o.Output.value_or(held.Target());
  ArchiveCopy copy;
  RemoveOnInterruption(copy.Temporary().Unfinished(), "nothing was written");
  const auto startCopy = [&] {
    if (!o.DryRun) copy.Start(held.Handle(), static_cast<uint32_t>(held.Identity().Size), target);
  };
  if (o.Output) startCopy();
  Plan plan;
  const PlanSettings settings{o.Archive, o.Folder, o.Level};
  if (std::optional<int> status = MakePlan(held.Handle(), table, settings, plan, startCopy))
    return *status;
  PrintPlan(plan, o.DryRun, o.Quiet);

  // Without edits the archive is left alone; a copy asked for is still made.
  if (!o.DryRun && (!plan.Replacements.empty() || o.Output)) {
    if (std::optional<int> status = WriteArchive(held, copy, records, plan, target, replacing))
      return *status;
    // Only now is it true.
    for (const std::string& line : plan.Replaced) {
      if (!o.Quiet) std::printf("replaced %s\n", line.c_str());
    }
  }
  if (!o.Quiet) {
    std::printf("%zu replaced, %zu unchanged, %zu not added, %zu refused\n", plan.Replaced.size(),
                plan.Unchanged.size(), plan.NotAdded.size(), plan.Refused.size());
  }
  return kExitOk;
}

}  // namespace

std::string UpdateSynopsis() {
  UpdateOptions o;
  return Synopsis(UpdateLine(o));
}

int RunUpdate(const std::vector<std::string>& args) {
  UpdateOptions o;
  if (std::optional<int> status = ParseOptions(args, o)) return *status;
  // Memory for the entries and the new data is taken as the work goes; running
  // short of it is one more failure that leaves the archive as it was.
  try {
    return Update(o);
  } catch (const std::bad_alloc&) {
    return NothingWritten("not enough memory");
  }
}

}  // namespace cli
