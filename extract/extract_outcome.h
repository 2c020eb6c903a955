// What happened to one entry that was to be written.
#pragma once

#include <string>

namespace extract {

enum class ExtractStatus {
  Written,     // the file holds the entry's content
  NotWritten,  // refused or failed; what the file system holds is said in Reason
  Damaged,     // a file was written, but the archive's data for it is damaged or cut
};

struct ExtractOutcome {
  ExtractStatus Status = ExtractStatus::Written;
  std::string Reason;       // empty when written
  std::string Destination;  // the file name as composed (UTF-8, "\" separated)
};

}  // namespace extract
