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
#include "archive/directory_writer.h"
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
  bool Add = false;
  bool Quiet = false;
  std::string Archive;
  std::string Folder;
};

CommandOptions UpdateLine(UpdateOptions& o) {
  return {"update",
          "ARCHIVE DIR",
          "Puts the files of DIR, unpacked from ARCHIVE by extract and edited, back into\n"
          "it: an entry whose file differs gets the file's content, every other byte of\n"
          "the archive stays as it was. With --add, files that no entry goes to become\n"
          "new records, listed in a new directory behind the data.\n",
          {StoredPathsOption(o.Mode, "DIR was unpacked with --stored-paths"),
           LevelOption(o.Level, "deflate level 0-9 for compressed entries (default: 9)"),
           {"output", 'o', "NEW", "write the result to NEW instead of replacing ARCHIVE",
            [&o](const std::string& value) {
              o.Output = InternalPath(value);
              return std::string();
            }},
           Flag("add", 0, "make files of DIR that no entry goes to into new records",
                [&o] { o.Add = true; }),
           Flag("dry-run", 0, "only say what would be done", [&o] { o.DryRun = true; }),
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

// Where the old directory lies: its count at Start, its records from
// Start + 4 to End, record k at Records[k].
struct DirectoryPlace {
  std::vector<uint32_t> Records;
  uint32_t Start = 0, End = 0;
};

// Appends `data` to the new archive, whose end `end` is moved on; the
// failure's words, empty when written.
std::string Append(TemporaryFile& temporary, uint64_t& end, const std::string& data) {
  if (end + data.size() > kLargest) return "the archive would grow beyond 2 GiB - 1 bytes";
  if (temporary.End() != end || !temporary.Write(data.data(), static_cast<uint32_t>(data.size())))
    return "cannot write: " + io::fs::LastErrorText();
  end += data.size();
  return std::string();
}

// Behind everything, a directory of the old records' bytes as patched in
// `records`, then the new records; the header is made to point at it.
std::string AppendDirectory(TemporaryFile& temporary, uint64_t& end, std::string& records,
                            const DirectoryPlace& directory, const Plan& plan) {
  for (const Addition& a : plan.Additions) {
    const auto offset = static_cast<uint32_t>(end);
    if (std::string failure = Append(temporary, end, a.Data); !failure.empty()) return failure;
    archive::PutRecord(records, {.Offset = offset,
                                 .StoredSize = static_cast<int32_t>(a.Data.size()),
                                 .Size = static_cast<int32_t>(a.Size),
                                 .Time = a.File.Time,
                                 .Compression = kCompressionDeflated,
                                 .Name = a.File.Name,
                                 .Path = a.File.Path,
                                 .AliasName = ""});
  }
  std::string counted, pointer;
  PutLong(counted, static_cast<uint32_t>(directory.Records.size() + plan.Additions.size()));
  PutLong(pointer, static_cast<uint32_t>(end));
  if (std::string failure = Append(temporary, end, counted + records); !failure.empty())
    return failure;
  if (!temporary.WriteAt(4, pointer.data(), static_cast<uint32_t>(pointer.size())))
    return "cannot write: " + io::fs::LastErrorText();
  return std::string();
}

// The old archive's bytes, copied while the plan was made, then the new data
// behind them, each replaced entry's record pointing at its own; with new
// records a new directory at the end. Put in place only while the archive is
// still the file that was read.
std::optional<int> WriteArchive(HeldArchive& held, ArchiveCopy& copy,
                                const DirectoryPlace& directory, const Plan& plan,
                                const std::string& target, bool replacing) {
  std::string why;
  TemporaryFile* const written = copy.Finish(why);
  if (written == nullptr) return NothingWritten(why);
  TemporaryFile& temporary = *written;
  uint64_t end = static_cast<uint32_t>(held.Identity().Size);
  std::string records;
  if (!plan.Additions.empty()) {
    records.resize(directory.End - directory.Start - 4);
    const auto size = static_cast<uint32_t>(records.size());
    if (size > 0 &&
        io::fs::ReadFileAt(held.Handle(), records.data(), size, directory.Start + 4) != size) {
      return NothingWritten("cannot read the archive: " + io::fs::LastErrorText());
    }
  }
  for (const Replacement& r : plan.Replacements) {
    std::string fields;
    PutLong(fields, static_cast<uint32_t>(end));
    if (std::string failure = Append(temporary, end, r.Data); !failure.empty())
      return NothingWritten(failure);
    PutLong(fields, static_cast<uint32_t>(r.Data.size()));
    PutLong(fields, r.Size);
    const uint32_t at = directory.Records[r.Entry];
    if (!temporary.WriteAt(at, fields.data(), static_cast<uint32_t>(fields.size())))
      return NothingWritten("cannot write: " + io::fs::LastErrorText());
    if (!plan.Additions.empty()) records.replace(at - directory.Start - 4, fields.size(), fields);
  }
  if (!plan.Additions.empty()) {
    if (std::string failure = AppendDirectory(temporary, end, records, directory, plan);
        !failure.empty()) {
      return NothingWritten(failure);
    }
  }
  if (!held.Unchanged(why)) return NothingWritten(why);
#ifdef _WIN32
  // Windows renames nothing over a file held open: there another run that
  // holds the old file open makes the rename fail instead.
  held.Close();
#endif
  // Elsewhere the lock is held until the result has taken the archive's
  // place: a run that opened the old file meanwhile and took the lock once it
  // was free would otherwise find the name unchanged and put its result over
  // this one.
  const bool published = temporary.Publish(target, replacing ? &held.Identity() : nullptr);
  const std::string failure = io::fs::LastErrorText();
  held.Close();
  if (!published)
    return NothingWritten("cannot put " + ShownPath(target) + " in place: " + failure);
  return std::nullopt;
}

// The directory of the held archive, with where each record lies; the exit
// status when it cannot be updated.
std::optional<int> ReadTable(const HeldArchive& held, const UpdateOptions& o, EntryTable& table,
                             DirectoryPlace& place, std::optional<RecordNames>& names) {
  const io::StreamPtr stream = io::ReadStreamOnHandle(held.Handle(), false);
  const archive::DirectoryReadResult directory =
      archive::ReadDirectory(*stream, table, &place.Records);
  place.Start = directory.DirectoryOffset;
  place.End = io::StreamPosition(*stream);
  if (directory.OutOfMemory)
    return NothingWritten("not enough memory to read the directory of " + o.Archive);
  if (!directory.Complete) {
    std::fprintf(
        stderr,
        "tarnwick-cli: %s is damaged: its directory ends early or cannot be read; not updated\n",
        o.Archive.c_str());
    return kExitUsage;
  }
  if (o.Add) names.emplace().TakeArchive(table, o.Mode);
  if (o.Mode == PathMode::FromNames) archive::FormPaths(table);
  return std::nullopt;
}

// The status when the new files cannot go in: a name no record can bear, or
// an archive whose header cannot point at a new directory (only one that
// starts with the signature is read where it points).
std::optional<int> RefuseAdditions(const HeldArchive& held, const UpdateOptions& o,
                                   const Plan& plan) {
  for (const std::string& line : plan.Unaddable)
    std::fprintf(stderr, "tarnwick-cli: refused %s\n", line.c_str());
  if (!plan.Unaddable.empty()) {
    return NothingWritten(std::to_string(plan.Unaddable.size()) +
                          " files cannot go into the archive");
  }
  char signature[3];
  if (!plan.Additions.empty() && (io::fs::ReadFileAt(held.Handle(), signature, 3, 0) != 3 ||
                                  std::memcmp(signature, "H4R", 3) != 0)) {
    return NothingWritten(o.Archive +
                          " does not start with H4R, so its header cannot point at a directory "
                          "with new records");
  }
  return std::nullopt;
}

void PrintPlan(const Plan& plan, bool dryRun, bool quiet) {
  if (dryRun && !quiet) {
    for (const std::string& line : plan.Replaced) std::printf("would replace %s\n", line.c_str());
    for (const std::string& line : plan.Added) std::printf("would add %s\n", line.c_str());
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
  DirectoryPlace directory;
  std::optional<RecordNames> names;
  if (std::optional<int> status = ReadTable(held, o, table, directory, names)) return *status;

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
  const PlanSettings settings{o.Archive, o.Folder, o.Level, o.Mode, names ? &*names : nullptr};
  if (std::optional<int> status = MakePlan(held.Handle(), table, settings, plan, startCopy))
    return *status;
  if (std::optional<int> status = RefuseAdditions(held, o, plan)) return *status;
  PrintPlan(plan, o.DryRun, o.Quiet);

  // Without edits the archive is left alone; a copy asked for is still made.
  if (!o.DryRun && (!plan.Replacements.empty() || !plan.Additions.empty() || o.Output)) {
    if (std::optional<int> status = WriteArchive(held, copy, directory, plan, target, replacing))
      return *status;
    // Only now is it true.
    for (const std::string& line : plan.Replaced) {
      if (!o.Quiet) std::printf("replaced %s\n", line.c_str());
    }
    for (const std::string& line : plan.Added) {
      if (!o.Quiet) std::printf("added %s\n", line.c_str());
    }
  }
  if (!o.Quiet) {
    const std::string added = o.Add ? std::to_string(plan.Added.size()) + " added, " : "";
    std::printf("%zu replaced, %zu unchanged, %s%zu not added, %zu refused\n", plan.Replaced.size(),
                plan.Unchanged.size(), added.c_str(), plan.NotAdded.size(), plan.Refused.size());
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
