// Text conversions at the Windows boundary: the program's
// own texts and file names are UTF-8, archive texts are code page 1251, and the
// system is called with UTF-16 through its wide functions.
#pragma once

#include <string>

namespace io {

std::wstring WideFromUtf8(const std::string& utf8);
std::wstring WideFromCp1251(const std::string& cp1251);
std::string Utf8FromWide(const std::wstring& wide);
std::string Utf8FromWide(const wchar_t* wide, size_t length);

}  // namespace io
