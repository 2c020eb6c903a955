#include "extract/entry_extraction.h"

#include <algorithm>
#include <cinttypes>
#include <climits>
#include <cstdio>

#include "extract/folder_creation.h"
#include "extract/inflate_copy.h"
#include "kol/file_backend.h"
#include "kol/text_encoding.h"
#include "kol/text_helpers.h"

namespace extract {
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

std::string Text(int64_t value) { return kol::IntToText(value); }

std::string Hex(uint32_t value) {
  char text[9];
  std::snprintf(text, sizeof text, "%08" PRIX32, value);
  return text;
}

uint32_t LittleEndian(const uint8_t* p) {
  return p[0] | (uint32_t{p[1]} << 8) | (uint32_t{p[2]} << 16) | (uint32_t{p[3]} << 24);
}

// Leading backslashes go, then a drive colon, so that the path always lies
// below the output folder; a drive letter becomes the first folder's name.
void ShortenPath(ArchiveEntry& entry) {
  if (entry.PathLen == 0) return;
  std::string& path = entry.Path;
  path.erase(0, std::min(path.find_first_not_of('\\'), path.size()));
  if (path.size() >= 2 && path[1] == ':') path.erase(1, 1);
}

bool OnlyDotsAndSpaces(const std::string& text) {
  return !text.empty() && text.find_first_not_of(". ") == std::string::npos;
}

// Characters no Windows file name can hold: control characters, and those
// that Windows keeps for drives, streams, wildcards and redirection (a colon
// would name a drive or write into a hidden data stream of another file). They are
// refused on every system, so that an archive unpacks to the same files
// everywhere and nothing is written that a Windows program (the game, run
// under Wine or not) could not open.
bool HasForbiddenCharacter(const std::string& text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) return true;
  }
  return text.find_first_of("<>:\"|?*") != std::string::npos;
}

// Windows opens a device, not a file, for these names, whatever follows the
// first dot and with spaces before it: "nul.txt", "CON .dat" and "Com1" write
// to devices. Refused on every system for the same reason as above.
bool IsDeviceName(const std::string& text) {
  std::string base = text.substr(0, text.find('.'));
  base.erase(std::min(base.find_last_not_of(' ') + 1, base.size()));
  for (char& c : base) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" ||
      base == "CONOUT$") {
    return true;
  }
  return base.size() == 4 && (base.rfind("COM", 0) == 0 || base.rfind("LPT", 0) == 0) && base[3] >= '0' &&
         base[3] <= '9';
}

ExtractOutcome Refused(ExtractOutcome outcome, std::string reason) {
  outcome.Status = ExtractStatus::NotWritten;
  outcome.Reason = std::move(reason);
  return outcome;
}

ExtractOutcome Damaged(ExtractOutcome outcome, std::string reason) {
  outcome.Status = ExtractStatus::Damaged;
  outcome.Reason = std::move(reason);
  return outcome;
}

// Bytes of `wanted` at the entry's offset that the archive really holds. An
// offset beyond what a 32-bit signed seek reaches counts as beyond the end.
uint32_t AvailableBytes(uint32_t archiveSize, uint32_t offset, int32_t wanted) {
  if (wanted <= 0 || offset > static_cast<uint32_t>(INT32_MAX) || offset >= archiveSize) return 0;
  return std::min(static_cast<uint32_t>(wanted), archiveSize - offset);
}

std::string CutShortText(uint32_t available, int32_t wanted) {
  if (available == 0) return "its data lies beyond the end of the archive";
  return "the archive ends after " + Text(available) + " of its " + Text(wanted) + " bytes";
}

ExtractOutcome WriteStored(kol::Stream& archive, const ArchiveEntry& entry, kol::Stream& file,
                           uint32_t archiveSize, ExtractOutcome outcome) {
  const uint32_t available = AvailableBytes(archiveSize, entry.Offset, entry.StoredSize);
  if (available > 0) kol::StreamSeek(archive, static_cast<int32_t>(entry.Offset), kol::kFromBeginning);
  // In bounded chunks; at least one write is made, so an existing file is
  // cut even when nothing is copied.
  const uint32_t copied = kol::CopyStreamBytes(file, archive, available);
  if (copied < available) {
    const std::string error = kol::fs::LastErrorText();
    const uint32_t read = kol::StreamPosition(archive) - entry.Offset;
    if (copied < read) {
      return Refused(outcome, "writing failed after " + Text(copied) + " of " + Text(available) +
                                  " bytes: " + error);
    }
    return Damaged(outcome, "the archive could be read for only " + Text(copied) + " of its " +
                                Text(entry.StoredSize) + " bytes");
  }
  if (available < static_cast<uint32_t>(entry.StoredSize)) {
    return Damaged(outcome, CutShortText(available, entry.StoredSize) + "; " + Text(copied) +
                                " bytes were written");
  }
  return outcome;
}

ExtractOutcome WriteCompressed(kol::Stream& archive, const ArchiveEntry& entry, kol::Stream& file,
                               uint32_t archiveSize, ExtractOutcome outcome) {
  // Only what the archive really holds is staged in memory, however large
  // the directory says the entry is.
  const uint32_t available = AvailableBytes(archiveSize, entry.Offset, entry.StoredSize);
  const uint32_t wanted = entry.StoredSize >= kLeftOut ? static_cast<uint32_t>(entry.StoredSize - kLeftOut) : 0;
  const uint32_t staged = available > kGzipHeader ? std::min(available - kGzipHeader, wanted) : 0;

  kol::StreamPtr zlibData = kol::CreateMemoryStream();
  kol::StreamWrite(*zlibData, kZlibHeader, sizeof kZlibHeader);
  uint32_t copied = 0;
  bool haveTrailer = false;
  uint32_t trailerCrc = 0, trailerLength = 0;
  if (staged > 0) {
    kol::StreamSeek(archive, static_cast<int32_t>(entry.Offset), kol::kFromBeginning);
    kol::StreamSeek(archive, kGzipHeader, kol::kFromCurrent);
    copied = kol::CopyStreamBytes(*zlibData, archive, staged);
    uint8_t length[4];
    if (copied == wanted && available == static_cast<uint32_t>(entry.StoredSize) &&
        entry.StoredSize >= kGzipHeader + kGzipTrailer &&
        kol::StreamRead(archive, length, sizeof length) == sizeof length) {
      haveTrailer = true;
      trailerCrc = LittleEndian(zlibData->Memory() + sizeof kZlibHeader + copied - 4);
      trailerLength = LittleEndian(length);
    }
  }
  kol::StreamSeek(*zlibData, 0, kol::kFromBeginning);
  const uint32_t size = static_cast<uint32_t>(entry.Size);
  const InflateCopyResult r = InflateCopy(*zlibData, size, file);

  if (r.WriteFailed) {
    return Refused(outcome, "writing failed after " + Text(r.Written) + " of " + Text(size) +
                                " bytes: " + r.WriteError);
  }
  // An empty entry that claims no data has nothing to check.
  if (entry.StoredSize == 0 && entry.Size == 0) return outcome;
  const std::string zeros = "; " + Text(r.Produced) + " of " + Text(size) +
                            " bytes were unpacked, the rest written as zeros";
  if (available < static_cast<uint32_t>(entry.StoredSize)) {
    return Damaged(outcome, CutShortText(available, entry.StoredSize) + zeros);
  }
  if (copied < staged) {
    return Damaged(outcome, "the archive could be read for only " + Text(copied) + " of " +
                                Text(staged) + " bytes of compressed data" + zeros);
  }
  if (!haveTrailer) {
    return Damaged(outcome, "its " + Text(entry.StoredSize) +
                                " bytes of compressed data are too few for a gzip member" + zeros);
  }
  if (!r.ZlibError.empty()) return Damaged(outcome, "damaged compressed data (" + r.ZlibError + ")" + zeros);
  if (r.Produced < size) return Damaged(outcome, "the compressed data ends early" + zeros);
  if (trailerLength != size) {
    return Damaged(outcome, "the unpacked size " + Text(size) + " differs from the gzip trailer's " +
                                Text(trailerLength));
  }
  if (trailerCrc != r.Crc32) {
    return Damaged(outcome, "CRC-32 mismatch: the unpacked data has " + Hex(r.Crc32) +
                                ", the gzip trailer says " + Hex(trailerCrc));
  }
  return outcome;
}

}  // namespace

std::string ConfinementProblem(const std::string& path, const std::string& name) {
  // "\" and "/" both separate folders: Windows reads both, and a stored path
  // written on one system must not climb out on the other.
  size_t start = 0;
  while (start <= path.size()) {
    const size_t end = std::min(path.find_first_of("\\/", start), path.size());
    const std::string part = path.substr(start, end - start);
    if (part == "..") return "its path climbs out of the output folder (a \"..\" folder)";
    // Windows drops trailing dots and spaces from names, so ". ." and the
    // like could end up meaning "..".
    if (part != "." && OnlyDotsAndSpaces(part)) return "its path has a folder named only by dots";
    if (HasForbiddenCharacter(part)) {
      return "its path has a folder name with a character that cannot be in a file name";
    }
    if (IsDeviceName(part)) return "its path has a folder named after a Windows device (" + part + ")";
    start = end + 1;
  }
  if (name.empty()) return "its name is empty";
  if (OnlyDotsAndSpaces(name)) return "its name \"" + name + "\" cannot be a file name";
  if (name.find_first_of("\\/") != std::string::npos) return "its name contains a slash";
  if (HasForbiddenCharacter(name)) return "its name contains a character that cannot be in a file name";
  if (IsDeviceName(name)) return "its name \"" + name + "\" is a Windows device name";
  return std::string();
}

std::string ComposeFolder(ArchiveEntry& entry, const std::string& outputFolder) {
  ShortenPath(entry);
  std::string folder = outputFolder;
  folder += '\\';
  if (entry.PathLen != 0) folder += kol::Cp1251ToUtf8(entry.Path);
  if (folder.back() != '\\') folder += '\\';
  return folder;
}

ExtractOutcome ExtractEntry(kol::Stream& archive, ArchiveEntry& entry, const std::string& outputFolder,
                            FolderCache* folders) {
  const std::string folder = ComposeFolder(entry, outputFolder);
  ExtractOutcome outcome;
  outcome.Destination = folder + kol::Cp1251ToUtf8(entry.Name);
  // An empty folder text would put every file at the root of the drive.
  if (outputFolder.empty()) return Refused(outcome, "no output folder was given");
  if (std::string problem = ConfinementProblem(entry.PathLen != 0 ? entry.Path : std::string(), entry.Name);
      !problem.empty()) {
    return Refused(outcome, problem);
  }
  const bool stored = entry.Compression == kCompressionStored;
  const bool compressed = entry.Compression == kCompressionDeflated;
  if (stored && entry.StoredSize < 0) {
    return Refused(outcome, "its stored size is negative (" + Text(entry.StoredSize) + ")");
  }
  if (compressed && entry.Size < 0) {
    return Refused(outcome, "its unpacked size is negative (" + Text(entry.Size) + ")");
  }
  if (compressed && entry.StoredSize < kLeftOut && !(entry.StoredSize == 0 && entry.Size == 0)) {
    return Refused(outcome, "its " + Text(entry.StoredSize) +
                                " bytes of compressed data are too few for a gzip member");
  }

  // Many entries share a folder: one the caller's cache holds is taken as
  // there without asking the file system again. Should the file then fail to
  // open (the folder went away meanwhile), the folder is made afresh and the
  // file tried once more.
  const bool folderKnown = folders != nullptr && folders->Made.count(folder) != 0;
  std::string failure;
  if (!folderKnown && !CreateFolderPath(folder, &failure)) return Refused(outcome, failure);
  if (folders != nullptr) folders->Made.insert(folder);
  kol::StreamPtr file = kol::CreateWriteStream(outcome.Destination);
  if (!file->IsOpen() && folderKnown) {
    folders->Made.erase(folder);
    if (!CreateFolderPath(folder, &failure)) return Refused(outcome, failure);
    file = kol::CreateWriteStream(outcome.Destination);
  }
  if (!file->IsOpen()) return Refused(outcome, "cannot create the file: " + kol::fs::LastErrorText());

  uint32_t archiveSize = kol::StreamSize(archive);
  if (archiveSize == kol::kStreamError) archiveSize = 0;
  if (stored || compressed) {
    ExtractOutcome result = stored ? WriteStored(archive, entry, *file, archiveSize, outcome)
                                   : WriteCompressed(archive, entry, *file, archiveSize, outcome);
    // Once the file is open, only a failed write (a full disk) leaves an
    // entry not written. What it left is cut short and of no use, and on a
    // full disk it would keep every later entry from being written.
    if (result.Status == ExtractStatus::NotWritten) {
      file.reset();
      if (kol::fs::RemoveFile(outcome.Destination)) result.Reason += "; the incomplete file was removed";
    }
    return result;
  }
  // Nothing is written for an unknown code: a new file stays empty and an
  // existing one keeps its content. Only an entry that had data lost something.
  if (entry.StoredSize > 0) {
    return Refused(outcome, "its compression code " + Text(entry.Compression) +
                                " is unknown; its data was not written");
  }
  return outcome;
}

}  // namespace extract
