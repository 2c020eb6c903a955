#include "cli/update_command.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <new>
#include <optional>

#include "cli/extract_jobs.h"
#include "cli/json_text.h"
#include "cli/loaded_archive.h"
#include "cli/outcome_text.h"
#include "cli/update_folder.h"
#include "cli/update_output.h"
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

int Failure(const std::string& message) {
  std::fflush(stdout);
  std::fprintf(stderr, "tarnwick-cli: %s; nothing was written\n", PrintableText(message).c_str());
  return kExitIncomplete;
}

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
           {"dry-run", 0, "", "only say what would be done", [&o](const std::string&) {
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

struct Replacement {
  size_t Entry = 0;
  std::string Data;   // what goes into the archive
  uint32_t Size = 0;  // unpacked
};

// What the archive's reader made of it and the plan for it.
struct Plan {
  std::vector<Replacement> Replacements;
  std::vector<std::string> Replaced, Unchanged, Refused, NotAdded;  // lines, shown as they are
};

// Why a changed file cannot go into its entry's record as it stands; empty
// when it can.
std::string RefusalOf(const ArchiveEntry& e, const std::string& content) {
  if (e.Compression != kCompressionStored && e.Compression != kCompressionDeflated) {
    return e.Compression == archive::kCompressionNone
               ? "the entry has no compression code"
               : "unknown compression code " + std::to_string(e.Compression);
  }
  if (e.StoredSize <= 0) return "an empty entry's record has no room for data";
  if (e.Compression == kCompressionStored && content.empty())
    return "a stored entry cannot be emptied";
  return std::string();
}

// Why a changed file in an alias's place is refused: the alias yields its
// target's data, so the target's file is the one to edit. `keys` are where
// extract puts each entry, under `folder`.
std::string AliasRefusal(const EntryTable& table, const std::vector<std::optional<std::string>>& keys,
                         size_t k, const std::string& folder) {
  const ArchiveEntry& e = table[k];
  const std::string text = "it is an alias of " + PrintableText(io::Cp1251ToUtf8(e.AliasName));
  switch (e.Alias) {
    case archive::AliasState::Resolved:
      return keys[e.Target] ? text + "; edit " + ShownPath(folder + "\\" + *keys[e.Target]) + " instead"
                            : text + ", which extract writes nowhere";
    case archive::AliasState::Missing: return text + ", which is not in the archive";
    default: return text + ", and the chain of aliases comes back to it";
  }
}

// Sets the archive side against DIR, entry by entry; a failure or a damaged
// archive ends it with the exit status. `changing` is called when the first
// entry is found that will be replaced.
std::optional<int> MakePlan(io::Stream& archiveStream, const EntryTable& table,
                            const UpdateOptions& o, Plan& plan, const std::function<void()>& changing) {
  std::map<std::string, FoundName> found;
  std::string failure;
  if (!WalkFolder(o.Folder, found, failure)) return Failure(failure);

  // Where each entry goes, as extract puts it; none for one extract refuses.
  std::vector<std::optional<std::string>> keys(table.size());
  std::map<std::string, size_t> lastWriter;
  for (size_t k = 0; k < table.size(); ++k) {
    ArchiveEntry e = table[k];
    extract::ShortenPath(e);
    if (extract::ConfinementProblem(e.PathLen != 0 ? e.Path : std::string(), e.Name) !=
        extract::Problem::None) {
      plan.Unchanged.push_back(PrintableText(io::Cp1251ToUtf8(e.Name)) +
                               " (extract writes it nowhere)");
      continue;
    }
    const std::string relative = (e.PathLen != 0 ? io::Cp1251ToUtf8(e.Path) : std::string()) +
                                 "\\" + io::Cp1251ToUtf8(e.Name);
    keys[k] = Key(relative);
    lastWriter[*keys[k]] = k;
  }

  // Entries are read and inflated on other threads as far ahead as memory
  // allows, and set against their files here, in directory order; after a
  // failure the rest are passed over.
  std::optional<int> status;
  auto consider = [&](size_t k, const extract::UnpackedData* ahead) -> std::optional<int> {
    const ArchiveEntry& e = table[k];
    // A damaged archive is never rewritten, whether or not its damaged entry was edited.
    extract::UnpackedData own;
    const extract::UnpackedData* read = ahead;
    if (!read && archive::DataOf(table, k).StoredSize > 0) {
      if (!extract::UnpackAhead(archiveStream, archive::DataOf(table, k), own))
        return Failure("not enough memory");
      read = &own;
    }
    if (read && read->Verdict.Status == extract::ExtractStatus::Damaged) {
      std::fflush(stdout);
      std::fprintf(stderr, "tarnwick-cli: %s is damaged: %s: %s; not updated\n", o.Archive.c_str(),
                   PrintableText(io::Cp1251ToUtf8(e.Name)).c_str(),
                   PrintableText(OutcomeText(read->Verdict)).c_str());
      return kExitUsage;
    }
    if (!keys[k]) return std::nullopt;
    const auto at = found.find(*keys[k]);
    if (at == found.end()) {
      plan.Unchanged.push_back(ShownPath(o.Folder + "\\" + *keys[k]) + " (no file)");
      return std::nullopt;
    }
    at->second.Claimed = true;
    const std::string destination = ShownPath(o.Folder + "\\" + at->second.Relative);
    if (lastWriter[*keys[k]] != k) {
      plan.Unchanged.push_back(destination + " (a later entry goes there)");
      return std::nullopt;
    }
    if (at->second.Type != Kind::File) {
      return Failure("cannot read " + destination + ": not a regular file");
    }
    const std::string file = o.Folder + "\\" + at->second.Relative;
    const uint8_t* expected = read && read->Bytes ? read->Bytes->Memory() : nullptr;
    const uint32_t expectedSize = read && read->Bytes ? io::StreamSize(*read->Bytes) : 0;
    std::string why;
    const std::optional<bool> same = FileHolds(file, expected, expectedSize, why);
    if (!same) return Failure("cannot read " + destination + ": " + why);
    if (*same) {
      plan.Unchanged.push_back(destination);
      return std::nullopt;
    }
    // An alias follows its target: the target's file is the one to edit.
    if (e.IsAlias()) {
      plan.Refused.push_back(destination + ": " + AliasRefusal(table, keys, k, o.Folder));
      return std::nullopt;
    }
    std::optional<std::string> content = ReadWholeFile(file, why);
    if (!content) return Failure("cannot read " + destination + ": " + why);
    if (const std::string refusal = RefusalOf(e, *content); !refusal.empty()) {
      plan.Refused.push_back(destination + ": " + refusal);
      return std::nullopt;
    }
    changing();
    Replacement r;
    r.Entry = k;
    r.Size = static_cast<uint32_t>(content->size());
    if (e.Compression == kCompressionStored) {
      r.Data = std::move(*content);
    } else if (std::optional<std::string> member = GzipMember(*content, o.Level)) {
      r.Data = std::move(*member);
    } else {
      return Failure("cannot compress " + destination);
    }
    if (r.Data.size() > kLargest) {
      return Failure(destination + " is too large for an archive entry");
    }
    plan.Replacements.push_back(std::move(r));
    plan.Replaced.push_back(destination);
    return std::nullopt;
  };
  std::vector<size_t> work(table.size());
  for (size_t k = 0; k < work.size(); ++k) work[k] = k;
  UnpackEntries(o.Archive, table, work, DefaultJobs(),
                [&](size_t i, const extract::UnpackedData* ahead) {
                  if (!status) status = consider(work[i], ahead);
                });
  if (status) return status;
  for (const auto& [key, name] : found) {
    if (!name.Claimed && name.Type != Kind::Folder) {
      plan.NotAdded.push_back(ShownPath(o.Folder + "\\" + name.Relative));
    }
  }
  return std::nullopt;
}

// The old archive's bytes, copied while the plan was made, then the new data
// behind them, each replaced entry's record pointing at its own.
std::optional<int> WriteArchive(io::StreamPtr archiveStream, ArchiveCopy& copy,
                                const std::vector<uint32_t>& records, const Plan& plan,
                                const std::string& target) {
  std::string why;
  TemporaryFile* const written = copy.Finish(why);
  if (written == nullptr) return Failure(why);
  TemporaryFile& temporary = *written;
  const uint32_t archiveSize = io::StreamSize(*archiveStream);
  // Windows renames nothing over a file that is still open.
  archiveStream.reset();

  uint64_t end = archiveSize;
  for (const Replacement& r : plan.Replacements) {
    if (end + r.Data.size() > kLargest)
      return Failure("the archive would grow beyond 2 GiB - 1 bytes");
    const auto offset = static_cast<uint32_t>(end);
    const auto count = static_cast<uint32_t>(r.Data.size());
    if (temporary.End() != offset || !temporary.Write(r.Data.data(), count)) {
      return Failure("cannot write: " + io::fs::LastErrorText());
    }
    end += count;
    std::string fields;
    PutLong(fields, offset);
    PutLong(fields, count);
    PutLong(fields, r.Size);
    if (!temporary.WriteAt(records[r.Entry], fields.data(), static_cast<uint32_t>(fields.size()))) {
      return Failure("cannot write: " + io::fs::LastErrorText());
    }
  }
  if (!temporary.Publish(target))
    return Failure("cannot put " + ShownPath(target) + " in place: " + io::fs::LastErrorText());
  return std::nullopt;
}

int Update(const UpdateOptions& o) {
  archive::OpenedDirectory opened = archive::OpenDirectory(o.Archive, o.Mode);
  const std::string problem = DirectoryProblemText(o.Archive, opened);
  if (opened.Problem == archive::DirectoryProblem::OutOfMemory) return Failure(problem);
  if (opened.Problem != archive::DirectoryProblem::None) {
    std::fprintf(stderr, "tarnwick-cli: %s%s\n", problem.c_str(),
                 opened.Usable() ? "; not updated" : "");
    return kExitUsage;
  }
  io::StreamPtr archiveStream = std::move(opened.Stream);
  const EntryTable& table = opened.Table;
  const std::vector<uint32_t>& records = opened.RecordOffsets;

  // The old bytes are copied on another thread as soon as it is known that
  // something will be written: at once for -o, else at the first change.
  const std::string target = o.Output.value_or(o.Archive);
  ArchiveCopy copy;
  const auto startCopy = [&] {
    if (!o.DryRun) copy.Start(o.Archive, io::StreamSize(*archiveStream), target);
  };
  if (o.Output) startCopy();
  Plan plan;
  if (std::optional<int> status = MakePlan(*archiveStream, table, o, plan, startCopy)) return *status;

  for (const std::string& line : plan.Replaced) {
    if (!o.Quiet) std::printf("%s %s\n", o.DryRun ? "would replace" : "replaced", line.c_str());
  }
  if (o.DryRun && !o.Quiet) {
    for (const std::string& line : plan.Unchanged) std::printf("unchanged %s\n", line.c_str());
  }
  std::fflush(stdout);
  for (const std::string& line : plan.Refused)
    std::fprintf(stderr, "tarnwick-cli: refused %s\n", line.c_str());
  for (const std::string& line : plan.NotAdded) {
    std::fprintf(stderr, "tarnwick-cli: not added %s: no entry goes there\n", line.c_str());
  }
  std::fflush(stderr);

  // Without edits the archive is left alone; a copy asked for is still made.
  if (!o.DryRun && (!plan.Replacements.empty() || o.Output)) {
    if (std::optional<int> status = WriteArchive(std::move(archiveStream), copy, records, plan, target)) {
      return *status;
    }
  }
  if (!o.Quiet) {
    std::printf("%zu replaced, %zu unchanged, %zu not added, %zu refused\n", plan.Replaced.size(),
                plan.Unchanged.size(), plan.NotAdded.size(), plan.Refused.size());
  }
  return kExitOk;
}

}  // namespace

int RunUpdate(const std::vector<std::string>& args) {
  UpdateOptions o;
  if (std::optional<int> status = ParseOptions(args, o)) return *status;
  // Memory for the entries and the new data is taken as the work goes; running
  // short of it is one more failure that leaves the archive as it was.
  try {
    return Update(o);
  } catch (const std::bad_alloc&) {
    return Failure("not enough memory");
  }
}

std::string UpdateSynopsis() {
  UpdateOptions o;
  return Synopsis(UpdateLine(o));
}

}  // namespace cli
