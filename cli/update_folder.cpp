#include "cli/update_folder.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <utility>
#include <vector>

#include "cli/json_text.h"
#include "io/file_backend.h"
#include "io/stream.h"

namespace cli {
namespace {

// The directory's numbers are read as signed by the game.
constexpr uint32_t kLargestFile = INT32_MAX;
constexpr uint32_t kCompareBlock = 1u << 16;

}  // namespace

// A name below DIR as both an entry and the folder walk see it: extract skips
// empty and "." folder names, and Windows does not tell capitals apart.
std::string Key(const std::string& relative) {
  std::string key;
  size_t start = 0;
  while (start <= relative.size()) {
    const size_t end = std::min(relative.find_first_of("\\/", start), relative.size());
    const std::string part = relative.substr(start, end - start);
    if (!part.empty() && part != ".") {
      if (!key.empty()) key += '\\';
      key += part;
    }
    start = end + 1;
  }
#ifdef _WIN32
  for (char& c : key) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
#endif
  return key;
}

namespace {

// Lists `folder` (held open) and everything below it into `found`.
bool WalkBelow(io::fs::FileHandle folder, const std::string& relative,
               std::map<std::string, FoundName>& found) {
  std::vector<std::pair<std::string, io::fs::EntryKind>> names;
  if (!io::fs::ListFolder(folder, [&](const std::string& name, io::fs::EntryKind kind) {
        names.emplace_back(name, kind);
      })) {
    return false;
  }
  for (const auto& [name, kind] : names) {
    const std::string path = relative.empty() ? name : relative + "\\" + name;
    FoundName& entry = found[Key(path)] = {path, Kind::Other, false};
    if (kind == io::fs::EntryKind::File) entry.Type = Kind::File;
    if (kind == io::fs::EntryKind::Link) entry.Type = Kind::Link;
    if (kind != io::fs::EntryKind::Folder) continue;
    // Opened below its parent: a link put in its place is seen as one.
    io::fs::BelowError error;
    const io::fs::FileHandle below = io::fs::OpenFolderBelow(folder, name, error);
    entry.Type = error == io::fs::BelowError::Link ? Kind::Link : Kind::Folder;
    if (below == io::fs::kInvalidHandle) {
      if (error == io::fs::BelowError::Link) continue;
      return false;
    }
    const bool listed = WalkBelow(below, path, found);
    io::fs::CloseFolder(below);
    if (!listed) return false;
  }
  return true;
}

}  // namespace

// Only names are learnt here: every file is read later through folders
// opened the same way, so nothing is followed then either.
bool WalkFolder(const std::string& root, std::map<std::string, FoundName>& found,
                std::string& failure) {
  // DIR itself may be a link: the user chose it.
  const io::fs::FileHandle top = io::fs::OpenFolder(root);
  const bool listed = top != io::fs::kInvalidHandle && WalkBelow(top, std::string(), found);
  if (!listed)
    failure = "cannot read the folder " + ShownPath(root) + ": " + io::fs::LastErrorText();
  io::fs::CloseFolder(top);
  return listed;
}

std::optional<std::string> ReadWholeFile(io::Stream& file, std::string& why) {
  // Beyond 4 GiB - 2 the size cannot be had in 32 bits: too large as well.
  const uint32_t size = io::StreamSize(file);
  if (size == io::kStreamError || size > kLargestFile) {
    why = "it is larger than an archive entry can be (2147483647 bytes)";
    return std::nullopt;
  }
  std::string bytes(size, '\0');
  io::StreamSeek(file, 0, io::kFromBeginning);  // FileHolds may have read some of it
  if (size > 0 && io::StreamRead(file, bytes.data(), size) != size) {
    why = io::fs::LastErrorText();
    return std::nullopt;
  }
  return bytes;
}

// Whether the file holds exactly `size` bytes equal to `expected`, read in
// blocks through one buffer: most files are unchanged, and they need neither
// a copy in memory of their own nor more than one pass.
std::optional<bool> FileHolds(io::Stream& file, const uint8_t* expected, uint32_t size,
                              std::string& why) {
  // A size that cannot be said is larger than any entry: ReadWholeFile says so.
  if (io::StreamSize(file) != size) return false;
  static thread_local std::string block(kCompareBlock, '\0');
  for (uint32_t done = 0; done < size;) {
    const uint32_t part = std::min(size - done, kCompareBlock);
    if (io::StreamRead(file, block.data(), part) != part) {
      why = io::fs::LastErrorText();
      return std::nullopt;
    }
    if (std::memcmp(block.data(), expected + done, part) != 0) return false;
    done += part;
  }
  return true;
}

}  // namespace cli
