// Writing many entries on several threads with the result of one.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "extract/extract_outcome.h"

namespace cli {

// Writes table[work[i]] for every i and returns their outcomes in the same
// order. With jobs > 1 the entries are spread over that many threads, each
// reading the archive through a stream of its own; entries that name the same
// file (as a case-insensitive file system sees it) are written by one thread
// in directory order, so the later one wins exactly as in a one-thread run.
// stepDone is called, under a lock, each time an entry is finished.
std::vector<extract::ExtractOutcome> ExtractEntries(const std::string& archiveName, EntryTable& table,
                                                    const std::vector<size_t>& work,
                                                    const std::string& outputFolder, unsigned jobs,
                                                    const std::function<void()>& stepDone);

// The number of processors, at least 1.
unsigned DefaultJobs();

}  // namespace cli
