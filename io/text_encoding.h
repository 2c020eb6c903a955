// Code page 1251 (the archive's names and paths) to and from UTF-8 (the
// program's own texts and file names).
#pragma once

#include <optional>
#include <string>

namespace io {

std::string Utf8FromCp1251(const std::string& cp1251);
// None when the text is not valid UTF-8 or holds a character that code page
// 1251 does not have.
std::optional<std::string> Cp1251FromUtf8(const std::string& utf8);
// Appends the UTF-8 bytes of one code point.
void AppendUtf8(std::string& out, char32_t cp);
// Number of characters (code points) of a UTF-8 text, for aligning columns.
size_t Utf8Width(const std::string& utf8);

}  // namespace io
