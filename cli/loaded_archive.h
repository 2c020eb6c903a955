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

// Opens the archive for a command that reads it again entry by entry (the
// stream is closed). When there is nothing to work on, that is said on stderr
// and the result is not Usable(): the command ends with kExitUsage.
archive::OpenedDirectory LoadArchive(const std::string& fileName, archive::PathMode mode);

// Prints the warning for a damaged directory; nothing when it was read whole.
void WarnIfIncomplete(const std::string& fileName, const archive::OpenedDirectory& opened);

}  // namespace cli
