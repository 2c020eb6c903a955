#include "extract/entry_extraction.h"

#include <algorithm>
#include <string_view>

namespace extract {

namespace {

bool OnlyDotsAndSpaces(std::string_view text) {
  return !text.empty() && text.find_first_not_of(". ") == std::string_view::npos;
}

// Characters no Windows file name can hold: control characters, and those
// that Windows keeps for drives, streams, wildcards and redirection (a colon
// would name a drive or write into a hidden data stream of another file). They are
// refused on every system, so that an archive unpacks to the same files
// everywhere and nothing is written that a Windows program (the game, run
// under Wine or not) could not open.
bool HasForbiddenCharacter(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20) return true;
  }
  return text.find_first_of("<>:\"|?*") != std::string_view::npos;
}

// Windows opens a device, not a file, for these names, whatever follows the
// first dot and with spaces before it: "nul.txt", "CON .dat" and "Com1" write
// to devices. Refused on every system for the same reason as above.
bool IsDeviceName(std::string_view text) {
  std::string_view base = text.substr(0, text.find('.'));
  while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
  char upper[7];  // the longest device name, CONOUT$
  if (base.size() < 3 || base.size() > sizeof upper) return false;
  for (size_t i = 0; i < base.size(); ++i) {
    const char c = base[i];
    upper[i] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  const std::string_view name(upper, base.size());
  if (name == "CON" || name == "PRN" || name == "AUX" || name == "NUL" || name == "CONIN$" ||
      name == "CONOUT$") {
    return true;
  }
  return name.size() == 4 && (name.substr(0, 3) == "COM" || name.substr(0, 3) == "LPT") &&
         name[3] >= '0' && name[3] <= '9';
}

}  // namespace

Problem ConfinementProblem(const std::string& path, const std::string& name, std::string* detail) {
  // "\" and "/" both separate folders: Windows reads both, and a stored path
  // written on one system must not climb out on the other.
  const std::string_view folders(path);
  size_t start = 0;
  while (start <= folders.size()) {
    const size_t end = std::min(folders.find_first_of("\\/", start), folders.size());
    const std::string_view part = folders.substr(start, end - start);
    Problem p = Problem::None;
    if (part == "..") {
      p = Problem::ClimbsOut;
    } else if (part != "." && OnlyDotsAndSpaces(part)) {
      // Windows drops trailing dots and spaces from names, so ". ." and the
      // like could end up meaning "..".
      p = Problem::DotsFolder;
    } else if (HasForbiddenCharacter(part)) {
      p = Problem::BadCharInFolder;
    } else if (IsDeviceName(part)) {
      p = Problem::DeviceFolder;
    }
    if (p != Problem::None) {
      if (detail != nullptr) *detail = std::string(part);
      return p;
    }
    start = end + 1;
  }
  if (detail != nullptr) *detail = name;
  if (name.empty()) return Problem::EmptyName;
  if (OnlyDotsAndSpaces(name)) return Problem::DotsName;
  if (name.find_first_of("\\/") != std::string::npos) return Problem::SlashInName;
  if (HasForbiddenCharacter(name)) return Problem::BadCharInName;
  if (IsDeviceName(name)) return Problem::DeviceName;
  if (detail != nullptr) detail->clear();
  return Problem::None;
}

}  // namespace extract
