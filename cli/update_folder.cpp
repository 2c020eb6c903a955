#include "cli/update_folder.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>

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

// Everything below DIR, folders included; links are listed, never entered.
// Only names are learnt here: every file read goes through the file backend.
bool WalkFolder(const std::string& root, std::map<std::string, FoundName>& found,
                std::string& failure) {
  namespace fs = std::filesystem;
  std::string systemRoot = root;
#ifndef _WIN32
  std::replace(systemRoot.begin(), systemRoot.end(), '\\', '/');
#endif
  const fs::path base(std::u8string(systemRoot.begin(), systemRoot.end()));
  std::error_code error;
  fs::recursive_directory_iterator it(base, error);
  for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    // The type the listing itself gives, where the file system gives one:
    // no stat per file. A link is seen as a link; only what is not one is
    // asked about further, so nothing is followed.
    const bool link = it->is_symlink(error);
    const Kind kind = error || link                ? Kind::Other
                      : it->is_directory(error)    ? Kind::Folder
                      : it->is_regular_file(error) ? Kind::File
                                                   : Kind::Other;
    if (error) break;
    const std::u8string relative = it->path().lexically_relative(base).u8string();
    std::string name(relative.begin(), relative.end());
    std::replace(name.begin(), name.end(), '/', '\\');
    found[Key(name)] = {name, kind, false};
  }
  if (!error) return true;
  failure = "cannot read the folder " + ShownPath(root) + ": " + error.message();
  return false;
}

std::optional<std::string> ReadWholeFile(const std::string& name, std::string& why) {
  io::StreamPtr file = io::OpenReadStream(name, &why);
  if (!file || !file->IsOpen()) return std::nullopt;
  const uint32_t size = io::StreamSize(*file);
  if (size == io::kStreamError) {
    why = io::fs::LastErrorText();
    return std::nullopt;
  }
  if (size > kLargestFile) {
    why = "larger than an entry can be";
    return std::nullopt;
  }
  std::string bytes(size, '\0');
  if (size > 0 && io::StreamRead(*file, bytes.data(), size) != size) {
    why = io::fs::LastErrorText();
    return std::nullopt;
  }
  return bytes;
}

// Whether the file holds exactly `size` bytes equal to `expected`, read in
// blocks through one buffer: most files are unchanged, and they need neither
// a copy in memory of their own nor more than one pass.
std::optional<bool> FileHolds(const std::string& name, const uint8_t* expected, uint32_t size,
                              std::string& why) {
  io::StreamPtr file = io::OpenReadStream(name, &why);
  if (!file || !file->IsOpen()) return std::nullopt;
  const uint32_t fileSize = io::StreamSize(*file);
  if (fileSize == io::kStreamError) {
    why = io::fs::LastErrorText();
    return std::nullopt;
  }
  if (fileSize != size) return false;
  static thread_local std::string block(kCompareBlock, '\0');
  for (uint32_t done = 0; done < size;) {
    const uint32_t part = std::min(size - done, kCompareBlock);
    if (io::StreamRead(*file, block.data(), part) != part) {
      why = io::fs::LastErrorText();
      return std::nullopt;
    }
    if (std::memcmp(block.data(), expected + done, part) != 0) return false;
    done += part;
  }
  return true;
}

}  // namespace cli
