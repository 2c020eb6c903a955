// Which entries a command works on: the selection options every command
// shares, and the one place they are applied.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "cli/command_options.h"
#include "selection/mask_match.h"

namespace cli {

// Every option narrows: an entry is selected when it passes all of them.
struct SelectionOptions {
  std::vector<std::string> Includes, Excludes;  // patterns, UTF-8 as typed
  std::vector<std::string> Matches;             // --match texts: any one of them will do
  selection::MaskOptions MaskOptions;           // where --match looks; the case for all
  bool CompressedOnly = false;

  bool Narrows() const {
    return !Includes.empty() || !Excludes.empty() || !Matches.empty() || CompressedOnly;
  }
};

// The rows of the options above, for each command's table.
std::vector<Option> SelectionRows(SelectionOptions& o);

// The entry's path and name as one text, "\" between the folders and before
// the name: what patterns are matched against and what `print` is given.
std::string FormedName(const archive::ArchiveEntry& entry);

struct Selection {
  std::vector<size_t> Entries;  // indexes into the table, in directory order
  // Something asked for selected nothing: each such pattern or option has
  // been named on stderr.
  bool Failed = false;
};

// The entries the options select. Each include pattern, --match text or
// --compressed-only that matches no entry is named on stderr, and so is a
// combination that leaves nothing; an archive with no entries asked for
// everything is no failure.
Selection SelectEntries(const archive::EntryTable& table, const SelectionOptions& o);

}  // namespace cli
