// The counts shown for a loaded archive, and the text of its "Сжатый" column.
#pragma once

#include <cstdint>
#include <string>

#include "archive/archive_entry.h"

namespace archive {

struct ArchiveStats {
  int32_t CompressedCount = 0;  // entries with compression code 3
  int32_t EmptyCount = 0;       // entries whose StoredSize is exactly 0
  // Sum of Size over all entries. Held in 64 bits, so that archives of 2 GiB
  // and more show their true total.
  int64_t TotalSize = 0;
};

ArchiveStats ComputeArchiveStats(const EntryTable& table);

// "Да" for compressed, "Нет" for stored, "N/A" for no code, "ERROR" otherwise.
const char* CompressionText(uint32_t compression);

}  // namespace archive
