#include "archive/archive_stats.h"

namespace archive {

ArchiveStats ComputeArchiveStats(const EntryTable& table) {
  ArchiveStats stats;
  for (const ArchiveEntry& e : table) {
    if (e.Compression == kCompressionDeflated) ++stats.CompressedCount;
    if (e.StoredSize == 0) ++stats.EmptyCount;
    stats.TotalSize += e.Size;
  }
  return stats;
}

const char* CompressionText(uint32_t compression) {
  switch (compression) {
    case kCompressionDeflated: return "Да";
    case kCompressionStored: return "Нет";
    case kCompressionNone: return "N/A";
    default: return "ERROR";
  }
}

}  // namespace archive
