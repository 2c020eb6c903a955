#include "extract/entry_extraction.h"

#include <algorithm>
#include <climits>
#include <new>

#include "extract/inflate_copy.h"
#include "io/file_backend.h"
#include "io/text_encoding.h"

namespace extract {

using archive::ArchiveEntry;
using archive::kCompressionDeflated;
using archive::kCompressionNone;
using archive::kCompressionStored;

namespace {

// A compressed entry is a gzip member: a 10-byte header without optional
// fields, raw deflate data, then CRC-32 and length of the unpacked data.
// Two zlib header bytes (deflate, 32 KiB window, no dictionary) put in front
// of the deflate data let zlib read it as zlib data; the CRC-32 then stands
// where zlib expects its Adler-32.
constexpr uint8_t kZlibHeader[2] = {0x78, 0x9C};
constexpr int32_t kGzipHeader = 10;
constexpr int32_t kGzipTrailer = 8;
// Header and length: what is left out of the bytes handed to zlib.
constexpr int32_t kLeftOut = kGzipHeader + 4;

uint32_t LittleEndian(const uint8_t* p) {
  return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

ExtractOutcome With(ExtractOutcome outcome, ExtractStatus status, Problem kind) {
  outcome.Status = status;
  outcome.Kind = kind;
  return outcome;
}

ExtractOutcome Refused(const ExtractOutcome& outcome, Problem kind, int64_t value = 0) {
  ExtractOutcome r = With(outcome, ExtractStatus::NotWritten, kind);
  r.Value = value;
  return r;
}

ExtractOutcome Damaged(const ExtractOutcome& outcome, Problem kind, int64_t unpacked) {
  ExtractOutcome r = With(outcome, ExtractStatus::Damaged, kind);
  r.Unpacked = unpacked;
  return r;
}

ExtractOutcome WriteFailed(const ExtractOutcome& outcome, int64_t done, int64_t total,
                           std::string error) {
  ExtractOutcome r = With(outcome, ExtractStatus::NotWritten, Problem::WriteFailed);
  r.Done = done;
  r.Total = total;
  r.SystemError = std::move(error);
  return r;
}

// Bytes of `wanted` at the entry's offset that the archive really holds. An
// offset beyond what a 32-bit signed seek reaches counts as beyond the end.
uint32_t AvailableBytes(uint32_t archiveSize, uint32_t offset, int32_t wanted) {
  if (wanted <= 0 || offset > static_cast<uint32_t>(INT32_MAX) || offset >= archiveSize) return 0;
  return std::min(static_cast<uint32_t>(wanted), archiveSize - offset);
}

ExtractOutcome CutShort(const ExtractOutcome& outcome, uint32_t available, int32_t wanted,
                        int64_t unpacked) {
  ExtractOutcome r = Damaged(
      outcome, available == 0 ? Problem::DataBeyondEnd : Problem::ArchiveEndsEarly, unpacked);
  r.Done = available;
  r.Total = wanted;
  return r;
}

ExtractOutcome WriteStored(io::Stream& archive, const ArchiveEntry& entry, io::Stream& file,
                           uint32_t archiveSize, ExtractOutcome outcome) {
  const uint32_t available = AvailableBytes(archiveSize, entry.Offset, entry.StoredSize);
  if (available > 0)
    io::StreamSeek(archive, static_cast<int32_t>(entry.Offset), io::kFromBeginning);
  // In bounded chunks; at least one write is made, so an existing file is
  // cut even when nothing is copied.
  const uint32_t copied = io::CopyStreamBytes(file, archive, available);
  if (copied < available) {
    const std::string error = io::fs::LastErrorText();
    const uint32_t read = io::StreamPosition(archive) - entry.Offset;
    if (copied < read) return WriteFailed(outcome, copied, available, error);
    ExtractOutcome r = Damaged(outcome, Problem::ReadFailed, -1);
    r.Done = copied;
    r.Total = entry.StoredSize;
    return r;
  }
  if (available < static_cast<uint32_t>(entry.StoredSize))
    return CutShort(outcome, available, entry.StoredSize, copied);
  return outcome;
}

ExtractOutcome WriteCompressed(io::Stream& archive, const ArchiveEntry& entry, io::Stream& file,
                               uint32_t archiveSize, ExtractOutcome outcome) {
  // Only what the archive really holds is staged in memory, however large
  // the directory says the entry is.
  const uint32_t available = AvailableBytes(archiveSize, entry.Offset, entry.StoredSize);
  const uint32_t wanted =
      entry.StoredSize >= kLeftOut ? static_cast<uint32_t>(entry.StoredSize - kLeftOut) : 0;
  const uint32_t staged = available > kGzipHeader ? std::min(available - kGzipHeader, wanted) : 0;

  // The trailer's length is read with the data when the archive holds it:
  // one read per entry. The decoder is never shown those 4 bytes.
  const bool trailerHeld = staged == wanted &&
                           available == static_cast<uint32_t>(entry.StoredSize) &&
                           entry.StoredSize >= kGzipHeader + kGzipTrailer;
  const uint32_t toRead = staged + (trailerHeld ? 4 : 0);
  io::StreamPtr zlibData = io::CreateMemoryStream();
  zlibData->SetSize(sizeof kZlibHeader + toRead);
  io::StreamSeek(*zlibData, 0, io::kFromBeginning);
  io::StreamWrite(*zlibData, kZlibHeader, sizeof kZlibHeader);
  uint32_t copied = 0;
  bool haveTrailer = false;
  uint32_t trailerCrc = 0, trailerLength = 0;
  if (staged > 0) {
    io::StreamSeek(archive, static_cast<int32_t>(entry.Offset), io::kFromBeginning);
    io::StreamSeek(archive, kGzipHeader, io::kFromCurrent);
    const uint32_t read = io::CopyStreamBytes(*zlibData, archive, toRead);
    copied = std::min(read, staged);
    if (trailerHeld && read == toRead) {
      haveTrailer = true;
      trailerCrc = LittleEndian(zlibData->Memory() + sizeof kZlibHeader + copied - 4);
      trailerLength = LittleEndian(zlibData->Memory() + sizeof kZlibHeader + copied);
    }
    zlibData->SetSize(sizeof kZlibHeader + copied);
  }
  io::StreamSeek(*zlibData, 0, io::kFromBeginning);
  const uint32_t size = static_cast<uint32_t>(entry.Size);
  const EntryCheck check{trailerCrc, trailerLength};
  const InflateCopyResult r = InflateEntry(*zlibData, size, haveTrailer ? &check : nullptr, file);

  if (r.WriteFailed) return WriteFailed(outcome, r.Written, size, r.WriteError);
  // An empty entry that claims no data has nothing to check.
  if (entry.StoredSize == 0 && entry.Size == 0) return outcome;
  outcome.Size = size;
  if (available < static_cast<uint32_t>(entry.StoredSize))
    return CutShort(outcome, available, entry.StoredSize, r.Produced);
  if (copied < staged) {
    ExtractOutcome d = Damaged(outcome, Problem::ReadFailed, r.Produced);
    d.Done = copied;
    d.Total = staged;
    return d;
  }
  if (!haveTrailer) {
    ExtractOutcome d = Damaged(outcome, Problem::GzipTooShort, r.Produced);
    d.Value = entry.StoredSize;
    return d;
  }
  if (!r.ZlibError.empty()) {
    ExtractOutcome d = Damaged(outcome, Problem::ZlibError, r.Produced);
    d.Detail = r.ZlibError;
    return d;
  }
  if (r.Produced < size) return Damaged(outcome, Problem::DataEndsEarly, r.Produced);
  if (trailerLength != size) {
    ExtractOutcome d = Damaged(outcome, Problem::LengthMismatch, -1);
    d.Value = size;
    d.Expected = trailerLength;
    return d;
  }
  if (trailerCrc != r.Crc32) {
    ExtractOutcome d = Damaged(outcome, Problem::CrcMismatch, -1);
    d.Found = r.Crc32;
    d.Expected = trailerCrc;
    return d;
  }
  return outcome;
}

// The outcome refused for sizes the entry's data cannot have; as given otherwise.
ExtractOutcome SizeRefusal(const ArchiveEntry& entry, const ExtractOutcome& outcome) {
  const bool stored = entry.Compression == kCompressionStored;
  const bool compressed = entry.Compression == kCompressionDeflated;
  if (stored && entry.StoredSize < 0)
    return Refused(outcome, Problem::NegativeStoredSize, entry.StoredSize);
  if (compressed && entry.Size < 0) return Refused(outcome, Problem::NegativeSize, entry.Size);
  if (compressed && entry.StoredSize < kLeftOut && !(entry.StoredSize == 0 && entry.Size == 0)) {
    return Refused(outcome, Problem::TooFewForGzip, entry.StoredSize);
  }
  return outcome;
}

// The outcome refused for an entry that has data but no code to unpack it
// with; as given otherwise.
ExtractOutcome CodeRefusal(const ArchiveEntry& entry, const ExtractOutcome& outcome) {
  if (entry.Compression == kCompressionStored || entry.Compression == kCompressionDeflated ||
      entry.StoredSize <= 0) {
    return outcome;
  }
  return entry.Compression == kCompressionNone
             ? Refused(outcome, Problem::NoCompressionCode)
             : Refused(outcome, Problem::UnknownCompression, entry.Compression);
}

// The outcome refused for an alias that stands for no record's data; as
// given otherwise.
ExtractOutcome AliasRefusal(const ArchiveEntry& entry, ExtractOutcome outcome) {
  if (entry.Alias != archive::AliasState::Missing && entry.Alias != archive::AliasState::Loop) {
    return outcome;
  }
  outcome.Detail = io::Utf8FromCp1251(entry.AliasName);
  return Refused(outcome, entry.Alias == archive::AliasState::Missing ? Problem::AliasMissing
                                                                      : Problem::AliasLoop);
}

// Everything that refuses an entry before a file is touched: `entry` says
// where it goes, `source` holds its data (the entry itself, or an alias's target).
ExtractOutcome Precheck(const ArchiveEntry& entry, const ArchiveEntry& source,
                        const std::string& outputFolder, ExtractOutcome outcome) {
  // An empty folder text would put every file at the root of the drive.
  if (outputFolder.empty()) return Refused(outcome, Problem::NoOutputFolder);
  if (const Problem p = ConfinementProblem(entry.PathLen != 0 ? entry.Path : std::string(),
                                           entry.Name, &outcome.Detail);
      p != Problem::None) {
    outcome.Detail = io::Utf8FromCp1251(outcome.Detail);
    return Refused(outcome, p);
  }
  outcome = AliasRefusal(entry, outcome);
  if (outcome.Kind != Problem::None) return outcome;
  outcome.Compressed = source.Compression == kCompressionDeflated;
  return SizeRefusal(source, outcome);
}

// Writes the entry's data into `file` (a file or a memory stream).
ExtractOutcome WriteData(io::Stream& archive, const ArchiveEntry& entry, io::Stream& file,
                         const ExtractOutcome& outcome) {
  const uint32_t archiveSize = io::StreamSize(archive);
  // A size that cannot be asked for is not a size of 0: nothing would be
  // read and the entry reported as lying beyond the end.
  if (archiveSize == io::kStreamError) {
    ExtractOutcome r = Refused(outcome, Problem::ArchiveUnreadable);
    r.SystemError = io::fs::LastErrorText();
    return r;
  }
  return entry.Compression == kCompressionStored
             ? WriteStored(archive, entry, file, archiveSize, outcome)
             : WriteCompressed(archive, entry, file, archiveSize, outcome);
}

bool WritesData(const ArchiveEntry& entry) {
  return entry.Compression == kCompressionStored || entry.Compression == kCompressionDeflated;
}

Problem TreeKind(TreeProblem p) {
  switch (p) {
    case TreeProblem::LinkInside: return Problem::LinkInside;
    case TreeProblem::FolderNotCreated: return Problem::FolderNotCreated;
    case TreeProblem::NameTooLong: return Problem::NameTooLong;
    default: return Problem::FileNotCreated;
  }
}

}  // namespace

std::string RelativeFolder(const ArchiveEntry& entry) {
  return entry.PathLen != 0 ? io::Utf8FromCp1251(entry.Path) : std::string();
}

void ShortenPath(ArchiveEntry& entry) {
  if (entry.PathLen == 0) return;
  std::string& path = entry.Path;
  path.erase(0, std::min(path.find_first_not_of('\\'), path.size()));
  if (path.size() >= 2 && path[1] == ':') path.erase(1, 1);
}

std::string ComposeFolder(const ArchiveEntry& entry, const std::string& outputFolder) {
  std::string folder = outputFolder;
  folder += '\\';
  if (entry.PathLen != 0) folder += io::Utf8FromCp1251(entry.Path);
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

uint64_t AheadCost(const ArchiveEntry& entry, uint32_t archiveSize) {
  if (entry.StoredSize <= 0) return 0;
  const uint64_t stored = AvailableBytes(archiveSize, entry.Offset, entry.StoredSize);
  if (entry.Compression == kCompressionStored) return stored;
  if (entry.Compression == kCompressionDeflated && entry.Size >= 0)
    return stored + uint64_t(entry.Size);
  return 0;
}

ExtractOutcome DataRefusal(const ArchiveEntry& entry) {
  ExtractOutcome outcome = AliasRefusal(entry, ExtractOutcome());
  if (outcome.Kind != Problem::None) return outcome;
  outcome.Compressed = entry.Compression == kCompressionDeflated;
  outcome = SizeRefusal(entry, outcome);
  return outcome.Kind != Problem::None ? outcome : CodeRefusal(entry, outcome);
}

bool UnpackAhead(io::Stream& archive, const ArchiveEntry& entry, UnpackedData& data) {
  ExtractOutcome outcome;
  outcome.Compressed = entry.Compression == kCompressionDeflated;
  try {
    data.Bytes = io::CreateMemoryStream();
    if (!WritesData(entry)) return true;
    // The whole file at once, read or inflated straight into it: growing it
    // chunk by chunk would copy it over and over.
    const uint32_t whole = outcome.Compressed ? static_cast<uint32_t>(std::max(entry.Size, 0))
                                              : AvailableBytes(io::StreamSize(archive),
                                                               entry.Offset, entry.StoredSize);
    if (whole > 0) {
      data.Bytes->SetSize(whole);
      io::StreamSeek(*data.Bytes, 0, io::kFromBeginning);
    }
    data.Verdict = WriteData(archive, entry, *data.Bytes, outcome);
    // The file holds what was written into it, and nothing that was not.
    data.Bytes->SetSize(io::StreamPosition(*data.Bytes));
  } catch (const std::bad_alloc&) {
    data.Bytes.reset();
    return false;
  }
  return true;
}

ExtractOutcome ExtractEntry(io::Stream& archive, ArchiveEntry& entry, OutputTree& tree,
                            const UnpackedData* ahead, const ArchiveEntry* data) {
  const ArchiveEntry& source = data != nullptr ? *data : entry;
  ShortenPath(entry);
  ExtractOutcome outcome;
  outcome.Destination = ComposeFolder(entry, tree.Folder()) + io::Utf8FromCp1251(entry.Name);
  outcome = Precheck(entry, source, tree.Folder(), outcome);
  if (outcome.Kind != Problem::None) return outcome;

  const std::string folder = RelativeFolder(entry);
  const std::string name = io::Utf8FromCp1251(entry.Name);
  TreeFailure failure;
  io::StreamPtr file = tree.OpenForWriting(folder, name, failure, WritesData(source));
  if (file == nullptr) {
    ExtractOutcome r = Refused(outcome, TreeKind(failure.Problem));
    r.Detail = failure.Where;
    r.SystemError = failure.SystemError;
    return r;
  }

  if (WritesData(source)) {
    ExtractOutcome result;
    if (ahead != nullptr && ahead->Bytes != nullptr) {
      // Read and checked already: only the writing is left.
      io::Stream& bytes = *ahead->Bytes;
      const uint32_t size = io::StreamSize(bytes);
      io::StreamSeek(bytes, 0, io::kFromBeginning);
      const uint32_t written = io::CopyStreamBytes(*file, bytes, size);
      if (written < size) {
        result = WriteFailed(outcome, written, size, io::fs::LastErrorText());
      } else {
        result = ahead->Verdict;
        result.Destination = outcome.Destination;
      }
    } else {
      try {
        result = WriteData(archive, source, *file, outcome);
      } catch (const std::bad_alloc&) {
        result = Refused(outcome, Problem::OutOfMemory);
      }
    }
    // Once the file is open, only a failed write (a full disk) leaves an
    // entry not written. What it left is cut short and of no use, and on a
    // full disk it would keep every later entry from being written.
    if (result.Kind == Problem::WriteFailed) {
      file.reset();
      result.Removed = tree.RemoveFile(folder, name);
    } else if (tree.SetsTimes() && source.Time != 0) {
      file->SetModifiedTime(source.Time);
    }
    return result;
  }
  // Nothing is written for another code: a new file stays empty and an
  // existing one keeps its content. Only an entry that had data lost something.
  return CodeRefusal(source, outcome);
}

io::fs::FileHandle OpenFolderAhead(const ArchiveEntry& entry, const ArchiveEntry& source,
                                   OutputTree& tree) {
  if (Precheck(entry, source, tree.Folder(), ExtractOutcome()).Kind != Problem::None)
    return io::fs::kInvalidHandle;
  return tree.TakeFolder(RelativeFolder(entry), io::Utf8FromCp1251(entry.Name));
}

ExtractOutcome ExtractEntry(io::Stream& archive, ArchiveEntry& entry,
                            const std::string& outputFolder) {
  OutputTree tree(outputFolder);
  return ExtractEntry(archive, entry, tree);
}

}  // namespace extract
