// The folder that tarnwick-cli update takes the edited files from: its names
// as the entries' destinations see them, and the reading of its files.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "io/stream.h"

namespace cli {

// A name below DIR as both an entry and the folder walk see it: extract skips
// empty and "." folder names, and Windows does not tell capitals apart.
std::string Key(const std::string& relative);

enum class Kind { File, Folder, Link, Other };

struct FoundName {
  std::string Relative;
  Kind Type = Kind::Other;
  bool Claimed = false;  // some entry's destination
};

// Everything below `root`, folders included, by Key: each folder is listed
// through a handle opened below its parent's, and a link (to a file or a
// folder) is listed as a link, never entered. False with the failure's words
// when a folder cannot be read.
bool WalkFolder(const std::string& root, std::map<std::string, FoundName>& found,
                std::string& failure);

// The file's bytes; none with the reason when it cannot be read or is larger
// than an entry can be.
std::optional<std::string> ReadWholeFile(io::Stream& file, std::string& why);

// Whether the file holds exactly the `size` bytes at `expected`; none with
// the reason when it cannot be read.
std::optional<bool> FileHolds(io::Stream& file, const uint8_t* expected, uint32_t size,
                              std::string& why);

}  // namespace cli
