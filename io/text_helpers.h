// Number and path texts as the program shows and composes them.
#pragma once

#include <cstdint>
#include <string>

namespace io {

// Decimal text, a leading "-" for negative values, no padding.
std::string IntToText(int64_t value);
// As IntToText, with "," between groups of three digits from the right when
// the value is 1000 or more (1,234). Values below 1000, negative ones
// included, stay ungrouped.
std::string IntToGroupedText(int64_t value);
// A copy with only the Latin letters a to z raised; every other byte,
// Cyrillic letters of code page 1251 included, is unchanged.
std::string UpperAscii(const std::string& text);
// The path up to and including its last ":" or "\"; empty when it has
// neither. "/" is no delimiter.
std::string FileDirPart(const std::string& path);
// The text behind the last ":" or "\"; the whole path when it has neither.
std::string FileNamePart(const std::string& path);

}  // namespace io
