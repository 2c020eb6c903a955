#include "io/text_helpers.h"

namespace io {
namespace {

// Position just behind the last ":" or "\", 0 when there is none.
size_t NamePartStart(const std::string& path) {
  const size_t last = path.find_last_of(":\\");
  return last == std::string::npos ? 0 : last + 1;
}

}  // namespace

std::string IntToText(int64_t value) { return std::to_string(value); }

std::string IntToGroupedText(int64_t value) {
  std::string text = IntToText(value);
  if (value < 1000) return text;
  for (size_t digitsRight = 3; digitsRight < text.size(); digitsRight += 4) {
    text.insert(text.size() - digitsRight, 1, ',');
  }
  return text;
}

std::string UpperAscii(const std::string& text) {
  std::string result = text;
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return result;
}

std::string FileDirPart(const std::string& path) { return path.substr(0, NamePartStart(path)); }

std::string FileNamePart(const std::string& path) { return path.substr(NamePartStart(path)); }

}  // namespace io
