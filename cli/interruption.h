// What an interrupted command (SIGINT or SIGTERM; Ctrl+C or Ctrl+Break on
// Windows) leaves behind: never a file it had not finished.
#pragma once

#include "io/file_backend.h"

namespace cli {

// From now on an interruption removes `file` as far as it was made (see
// io::fs::Unfinished), says on stderr that the command was interrupted and,
// when there was a file, `removed`; then the process ends as the signal
// would have ended it, so that a shell sees 130 for Ctrl+C. Once per run.
void RemoveOnInterruption(io::fs::Unfinished& file, const char* removed);

}  // namespace cli
