// Opening an archive for a CLI command: what kept its directory from being
// read whole, in the CLI's words.
#pragma once

#include <string>

#include "archive/open_directory.h"
#include "cli/command_options.h"

namespace cli {

// The problem in words that follow "tarnwick-cli: " (or, for a damaged
// directory, "tarnwick-cli: warning: "); empty when there is none.
std::string DirectoryProblemText(const std::string& fileName,
                                 const archive::OpenedDirectory& opened);

// Opens the archive for a command, which reads every entry through the one
// open file (Handle). When there is nothing to work on, that is said on
// stderr and the result is not Usable(): the command ends with UnusableStatus.
archive::OpenedDirectory LoadArchive(const std::string& fileName, archive::PathMode mode);

// Why a file of `size` bytes cannot be an archive: its offsets are 32-bit
// numbers, and all-ones stands for a failure. Empty when it can be one.
std::string TooLargeText(uint64_t size);

// The exit status when there is nothing to work on: a file too large to be
// an archive counts as a damaged one.
inline int UnusableStatus(const archive::OpenedDirectory& opened) {
  return opened.Problem == archive::DirectoryProblem::TooLarge ? kExitIncomplete : kExitUsage;
}

// Prints the warning for a damaged directory; nothing when it was read whole.
void WarnIfIncomplete(const std::string& fileName, const archive::OpenedDirectory& opened);

}  // namespace cli
