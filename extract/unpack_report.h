// What an unpacking command of the desktop program tells the user when an
// entry could not be written: one message at the end of the command, in the
// program's own words, with the count and the first few names.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "extract/extract_outcome.h"

namespace extract {

struct UnpackFailure {
  std::string Entry;   // the entry's path and name in the archive (UTF-8)
  std::string Reason;  // why, in Russian
};

struct UnpackReport {
  bool ArchiveOpened = true;    // false: nothing was tried
  std::string ArchiveFileName;  // UTF-8
  std::size_t Steps = 0;        // rows walked
  std::size_t Written = 0;
  std::size_t PassedOver = 0;                // empty entries left out on purpose
  std::size_t Failed = 0;                    // not written, or written from damaged data
  std::vector<UnpackFailure> FirstFailures;  // at most kNamedFailures

  // Keeps the outcome of an entry that was to be written. `entry` is the
  // entry as ExtractEntry left it (its path already shortened).
  void Add(const archive::ArchiveEntry& entry, const ExtractOutcome& outcome);
};

inline constexpr std::size_t kNamedFailures = 5;

// Why an entry failed, in the words the desktop program uses.
std::string FailureReason(const ExtractOutcome& outcome);

// The message for the end of the command; empty when there is nothing to tell.
std::string FailureMessage(const UnpackReport& report);

}  // namespace extract
