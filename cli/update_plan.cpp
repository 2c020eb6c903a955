#include "cli/update_plan.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <map>

#include "cli/extract_jobs.h"
#include "cli/json_text.h"
#include "cli/loaded_archive.h"
#include "cli/outcome_text.h"
#include "cli/update_folder.h"
#include "cli/update_output.h"
#include "extract/entry_extraction.h"
#include "extract/output_tree.h"
#include "io/text_encoding.h"

namespace cli {

using archive::ArchiveEntry;
using archive::EntryTable;
using archive::kCompressionDeflated;
using archive::kCompressionStored;

namespace {

// The directory's numbers are read as signed by the game: nothing may lie or
// reach beyond this.
constexpr uint32_t kLargest = INT32_MAX;

// Where each entry goes, as extract puts it: its Key below DIR, none for one
// extract refuses; and for each Key the entry written there last.
struct Destinations {
  std::vector<std::optional<std::string>> Keys;
  std::map<std::string, size_t> LastWriter;
};

Destinations DestinationsOf(const EntryTable& table, Plan& plan);

// Everything one run of the plan works with.
struct Planning {
  Planning(const EntryTable& table, const PlanSettings& settings, Plan& plan,
           const std::function<void()>& changing)
      : Table(table),
        Settings(settings),
        Result(plan),
        Changing(changing),
        Where(DestinationsOf(table, plan)),
        Folder(settings.Folder) {
    if (settings.Existing) Names = *settings.Existing;
  }

  const EntryTable& Table;
  const PlanSettings& Settings;
  Plan& Result;
  const std::function<void()>& Changing;
  std::map<std::string, FoundName> Found;
  Destinations Where;
  extract::OutputTree Folder;        // DIR, read below the folders it opens
  std::optional<RecordNames> Names;  // with --add: the names taken so far
};

Destinations DestinationsOf(const EntryTable& table, Plan& plan) {
  Destinations d;
  d.Keys.resize(table.size());
  for (size_t k = 0; k < table.size(); ++k) {
    ArchiveEntry e = table[k];
    extract::ShortenPath(e);
    if (extract::ConfinementProblem(e.PathLen != 0 ? e.Path : std::string(), e.Name) !=
        extract::Problem::None) {
      plan.Unchanged.push_back(PrintableText(io::Utf8FromCp1251(e.Name)) +
                               " (extract writes it nowhere)");
      continue;
    }
    const std::string relative = (e.PathLen != 0 ? io::Utf8FromCp1251(e.Path) : std::string()) +
                                 "\\" + io::Utf8FromCp1251(e.Name);
    d.Keys[k] = Key(relative);
    d.LastWriter[*d.Keys[k]] = k;
  }
  return d;
}

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
// target's data, so the target's file is the one to edit.
std::string AliasRefusal(const Planning& p, size_t k) {
  const ArchiveEntry& e = p.Table[k];
  const std::string text = "it is an alias of " + PrintableText(io::Utf8FromCp1251(e.AliasName));
  switch (e.Alias) {
    case archive::AliasState::Resolved:
      return p.Where.Keys[e.Target]
                 ? text + "; edit " +
                       ShownPath(p.Settings.Folder + "\\" + *p.Where.Keys[e.Target]) + " instead"
                 : text + ", which extract writes nowhere";
    case archive::AliasState::Missing: return text + ", which is not in the archive";
    default: return text + ", and the chain of aliases comes back to it";
  }
}

// The status for an entry whose data does not unpack cleanly: a damaged
// archive is never rewritten, whether or not that entry was edited.
std::optional<int> DamagedArchive(const Planning& p, size_t k, const extract::UnpackedData* read) {
  if (!read || read->Verdict.Status != extract::ExtractStatus::Damaged) return std::nullopt;
  extract::ExtractOutcome verdict = read->Verdict;
  verdict.Unpacked = -1;  // nothing was written: no words about a file
  std::fflush(stdout);
  std::fprintf(stderr, "tarnwick-cli: %s is damaged: %s: %s; not updated\n",
               p.Settings.ArchiveName.c_str(),
               PrintableText(io::Utf8FromCp1251(p.Table[k].Name)).c_str(),
               PrintableText(OutcomeText(verdict)).c_str());
  return kExitUsage;
}

// The replacement of entry k by `content`, or the failure's status.
std::optional<int> Replace(Planning& p, size_t k, std::string content, const std::string& shown) {
  const ArchiveEntry& e = p.Table[k];
  if (const std::string refusal = RefusalOf(e, content); !refusal.empty()) {
    p.Result.Refused.push_back(shown + ": " + refusal);
    return std::nullopt;
  }
  p.Changing();
  Replacement r;
  r.Entry = k;
  r.Size = static_cast<uint32_t>(content.size());
  if (e.Compression == kCompressionStored) {
    r.Data = std::move(content);
  } else if (std::optional<std::string> member = GzipMember(content, p.Settings.Level)) {
    r.Data = std::move(*member);
  } else {
    return NothingWritten("cannot compress " + shown);
  }
  if (r.Data.size() > kLargest) return NothingWritten(shown + " is too large for an archive entry");
  p.Result.Replacements.push_back(std::move(r));
  p.Result.Replaced.push_back(shown);
  return std::nullopt;
}

// The file at `relative`, opened below the folders of DIR, never through a
// link, whatever the walk saw.
io::StreamPtr OpenBelow(Planning& p, const std::string& relative, extract::TreeFailure& failure) {
  const size_t slash = relative.find_last_of('\\');
  return p.Folder.OpenForReading(
      slash == std::string::npos ? std::string() : relative.substr(0, slash),
      relative.substr(slash + 1), failure);
}

// Sets entry k, unpacked into `read` (none: it has no data), against its file.
std::optional<int> SetAgainstFile(Planning& p, size_t k, const extract::UnpackedData* read) {
  const std::optional<std::string>& key = p.Where.Keys[k];
  if (!key) return std::nullopt;
  const auto at = p.Found.find(*key);
  if (at == p.Found.end()) {
    p.Result.Unchanged.push_back(ShownPath(p.Settings.Folder + "\\" + *key) + " (no file)");
    return std::nullopt;
  }
  at->second.Claimed = true;
  const std::string& relative = at->second.Relative;
  const std::string shown = ShownPath(p.Settings.Folder + "\\" + relative);
  if (p.Where.LastWriter[*key] != k) {
    p.Result.Unchanged.push_back(shown + " (a later entry goes there)");
    return std::nullopt;
  }
  extract::TreeFailure failure;
  const io::StreamPtr file = OpenBelow(p, relative, failure);
  if (!file) return NothingWritten("cannot read " + shown + ": " + Unreadable(failure));
  const uint8_t* expected = read && read->Bytes ? read->Bytes->Memory() : nullptr;
  const uint32_t expectedSize = read && read->Bytes ? io::StreamSize(*read->Bytes) : 0;
  std::string why;
  const std::optional<bool> same = FileHolds(*file, expected, expectedSize, why);
  if (!same) return NothingWritten("cannot read " + shown + ": " + why);
  if (*same) {
    p.Result.Unchanged.push_back(shown);
    return std::nullopt;
  }
  if (p.Table[k].IsAlias()) {
    p.Result.Refused.push_back(shown + ": " + AliasRefusal(p, k));
    return std::nullopt;
  }
  std::optional<std::string> content = ReadWholeFile(*file, why);
  if (!content) return NothingWritten("cannot read " + shown + ": " + why);
  return Replace(p, k, std::move(*content), shown);
}

// One entry, with its data when a reader had it ready.
std::optional<int> Consider(Planning& p, io::Stream& archive, size_t k,
                            const extract::UnpackedData* ahead) {
  extract::UnpackedData own;
  const extract::UnpackedData* read = ahead;
  if (!read && archive::DataOf(p.Table, k).StoredSize > 0) {
    if (!extract::UnpackAhead(archive, archive::DataOf(p.Table, k), own))
      return NothingWritten("not enough memory");
    read = &own;
  }
  if (std::optional<int> status = DamagedArchive(p, k, read)) return status;
  return SetAgainstFile(p, k, read);
}

// What a link found in DIR is named as.
std::string NotFollowed(const std::string& shown) {
  return shown + ": a symbolic link, which is never followed";
}

// The new record of the regular file at `relative`, or the failure's status.
// Its name is judged first, as create judges it, from the walk alone.
std::optional<int> AddFile(Planning& p, const std::string& relative, const std::string& shown) {
  Addition a;
  if (const std::optional<std::string> why =
          p.Names->Form(p.Settings.Folder, relative, p.Settings.Mode, a.File)) {
    p.Result.Unaddable.push_back(shown + ": " + *why);
    return std::nullopt;
  }
  // Nothing is written once a file is refused: the rest are only named.
  if (!p.Result.Unaddable.empty()) return std::nullopt;
  extract::TreeFailure failure;
  const io::StreamPtr file = OpenBelow(p, relative, failure);
  if (!file && failure.Problem == extract::TreeProblem::LinkInside) {
    p.Result.NotAdded.push_back(NotFollowed(shown));
    return std::nullopt;
  }
  if (!file) return NothingWritten("cannot read " + shown + ": " + Unreadable(failure));
  p.Changing();
  std::string why;
  std::optional<std::string> content = ReadWholeFile(*file, why);
  if (!content) return NothingWritten("cannot read " + shown + ": " + why);
  a.Size = static_cast<uint32_t>(content->size());
  std::optional<std::string> member = GzipMember(*content, p.Settings.Level);
  if (!member) return NothingWritten("cannot compress " + shown);
  if (member->size() > kLargest)
    return NothingWritten(shown + " is too large for an archive entry");
  a.Data = std::move(*member);
  p.Result.Additions.push_back(std::move(a));
  return std::nullopt;
}

// The files of DIR that no entry goes to: new records with --add, else named
// as not added. A link is never followed, and never added.
std::optional<int> NewFiles(Planning& p) {
  for (const auto& [key, name] : p.Found) {
    if (name.Claimed || name.Type == Kind::Folder) continue;
    const std::string shown = ShownPath(p.Settings.Folder + "\\" + name.Relative);
    if (name.Type == Kind::File && p.Names) {
      if (std::optional<int> status = AddFile(p, name.Relative, shown)) return status;
      continue;
    }
    // Wine lists a Unix link as what it points to: opening it below its
    // folder tells.
    extract::TreeFailure seen;
    const bool link =
        name.Type == Kind::Link || (name.Type == Kind::File && !OpenBelow(p, name.Relative, seen) &&
                                    seen.Problem == extract::TreeProblem::LinkInside);
    p.Result.NotAdded.push_back(link      ? NotFollowed(shown)
                                : p.Names ? shown + ": not a regular file"
                                          : shown + ": no entry goes there");
  }
  std::sort(p.Result.Additions.begin(), p.Result.Additions.end(),
            [](const Addition& a, const Addition& b) { return StoredBefore(a.File, b.File); });
  for (const Addition& a : p.Result.Additions)
    p.Result.Added.push_back(ShownPath(p.Settings.Folder + "\\" + a.File.Relative));
  return std::nullopt;
}

}  // namespace

// Why the file found at an entry's place cannot be read, in words.
std::string Unreadable(const extract::TreeFailure& failure) {
  if (failure.Problem == extract::TreeProblem::LinkInside)
    return "a symbolic link (" + ShownPath(failure.Where) + "), which is never followed";
  return PrintableText(failure.SystemError);
}

int NothingWritten(const std::string& message) {
  std::fflush(stdout);
  std::fprintf(stderr, "tarnwick-cli: %s; nothing was written\n", PrintableText(message).c_str());
  return kExitIncomplete;
}

std::optional<int> MakePlan(io::fs::FileHandle archive, const EntryTable& table,
                            const PlanSettings& settings, Plan& plan,
                            const std::function<void()>& changing) {
  Planning p(table, settings, plan, changing);
  std::string failure;
  if (!WalkFolder(settings.Folder, p.Found, failure)) return NothingWritten(failure);

  // Entries are read and inflated on other threads as far ahead as memory
  // allows, and set against their files here, in directory order; after a
  // failure the rest are passed over.
  const io::StreamPtr stream = io::ReadStreamOnHandle(archive, false);
  std::optional<int> status;
  std::vector<size_t> work(table.size());
  for (size_t k = 0; k < work.size(); ++k) work[k] = k;
  UnpackEntries(archive, table, work, DefaultJobs(),
                [&](size_t i, const extract::UnpackedData* ahead) {
                  if (!status) status = Consider(p, *stream, work[i], ahead);
                });
  if (status) return status;
  return NewFiles(p);
  return std::nullopt;
}

}  // namespace cli
