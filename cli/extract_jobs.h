// Writing many entries on several threads with the result of one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "extract/entry_extraction.h"
#include "extract/extract_outcome.h"
#include "io/file_backend.h"

namespace cli {

// How far the reading threads may run ahead of the writing one.
struct AheadLimits {
  // Bytes of read and inflated data held for entries not yet written. An
  // entry that needs more than this on its own is written without help.
  uint64_t Budget = uint64_t{48} << 20;
  // Entries, counted from the one being written.
  size_t Window = 256;
};

// How one run writes.
struct ExtractSettings {
  unsigned Jobs = 1;
  // Leave anything already at an entry's destination alone.
  bool SkipExisting = false;
  // Give each file its entry's time.
  bool SetTimes = false;
  // Kept up to date with the file being written (OutputTree::WatchUnfinished).
  io::fs::Unfinished* Unfinished = nullptr;
};

// What one run left: for each work item its outcome, and whether it was
// passed over because a file was there already.
struct ExtractRun {
  std::vector<extract::ExtractOutcome> Outcomes;
  std::vector<char> Skipped;
};

// Writes table[work[i]] for every i and returns their outcomes in the same
// order. Every file is made on the calling thread in directory order, as
// with one thread, so the tree left behind does not depend on `jobs`. With
// jobs > 1 other threads read and inflate entries ahead of it, and make their
// folders when no file of the run takes the name of a folder of the run (an
// interrupted run may then leave empty folders of entries it did not reach);
// they read each through a stream of its own on the one open `archive` (never
// the archive opened again by its name, which may by then be another file),
// within `limits`; with the
// calling thread, no more threads run than `jobs`, processors or entries.
// Threads that cannot be started or memory that runs out only leave more of
// the work to the calling thread. stepDone is called on the calling thread
// after each entry, in order. With SkipExisting an entry whose file (or
// anything else, a link included) is there already when its turn comes is
// left alone: an earlier entry of the same run counts too. An alias is
// written with its target's data (archive::DataOf).
ExtractRun ExtractEntries(io::fs::FileHandle archive, archive::EntryTable& table,
                          const std::vector<size_t>& work, const std::string& outputFolder,
                          const ExtractSettings& settings, const std::function<void()>& stepDone,
                          const AheadLimits& limits = AheadLimits());

// Reads (and inflates) the data of table[work[i]] (an alias's target's) for
// every i exactly as ExtractEntries
// would write it, without writing anything, and hands it to `use` on the
// calling thread in order (null when there was no memory for it). Threads as
// in ExtractEntries. An entry that extract::DataRefusal refuses is not read and comes
// with no bytes and that refusal; one whose code writes no data, with none.
void UnpackEntries(io::fs::FileHandle archive, const archive::EntryTable& table,
                   const std::vector<size_t>& work, unsigned jobs,
                   const std::function<void(size_t, const extract::UnpackedData*)>& use,
                   const AheadLimits& limits = AheadLimits());

// The number of processors, at least 1.
unsigned DefaultJobs();

}  // namespace cli
