// Writing the game's layout: the header that points at the directory, and the
// directory's records.
#pragma once

#include <cstdint>
#include <string>

#include "archive/archive_entry.h"

namespace archive {

// "H4R", version 5, and the offset of the directory.
std::string HeaderBytes(uint32_t directoryOffset);

// Appends one record: offset, stored size, size, time, then name, path and
// alias each behind its 16-bit length, then the type. The texts are written
// as they are (at most 65,535 bytes each); their lengths come from them.
void PutRecord(std::string& out, const ArchiveEntry& entry);

// Appends a 32-bit number, least significant byte first.
void PutLong(std::string& out, uint32_t value);

}  // namespace archive
