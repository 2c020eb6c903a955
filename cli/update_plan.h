// What tarnwick-cli update will do: each entry of the archive set against its
// file in DIR.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "cli/create_plan.h"
#include "extract/output_tree.h"
#include "io/file_backend.h"

namespace cli {

struct Replacement {
  size_t Entry = 0;
  std::string Data;   // what goes into the archive
  uint32_t Size = 0;  // unpacked
};

// A file of DIR that becomes a new record, always a gzip member.
struct Addition {
  PlannedFile File;
  std::string Data;   // what goes into the archive
  uint32_t Size = 0;  // unpacked
};

struct Plan {
  std::vector<Replacement> Replacements;
  std::vector<Addition> Additions;  // by stored name, bytewise
  // Lines, shown as they are; Added in the order of Additions. Nothing is
  // written while a new file is Unaddable.
  std::vector<std::string> Replaced, Unchanged, Added, Refused, NotAdded, Unaddable;
};

struct PlanSettings {
  std::string ArchiveName;  // as the user gave it, for messages
  std::string Folder;       // DIR, "\" separated
  int Level = 9;            // deflate level of replaced compressed entries and new files
  archive::PathMode Mode = archive::PathMode::FromNames;
  // With --add: the names the archive's records bear; none without.
  const RecordNames* Existing = nullptr;
};

// Says on stderr that nothing was written and why; the exit status.
int NothingWritten(const std::string& message);

// Why a file of DIR could not be opened below its folder, in words.
std::string Unreadable(const extract::TreeFailure& failure);

// Sets the archive (open, read through by every thread) against DIR, entry
// by entry; a failure or a damaged archive ends it with the exit status.
// `changing` is called when the first entry is found that will be replaced.
std::optional<int> MakePlan(io::fs::FileHandle archive, const archive::EntryTable& table,
                            const PlanSettings& settings, Plan& plan,
                            const std::function<void()>& changing);

}  // namespace cli
