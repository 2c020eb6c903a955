// What happened to an entry, in the CLI's words.
#pragma once

#include <string>

#include "extract/extract_outcome.h"

namespace cli {

// The reason an entry was not written or was written from damaged data, in
// English; empty for an entry written whole.
std::string OutcomeText(const extract::ExtractOutcome& outcome);

}  // namespace cli
