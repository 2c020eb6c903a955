#include "kol/wide_text.h"

#include <windows.h>

namespace kol {
namespace {

std::wstring Widen(const std::string& text, UINT codePage) {
  if (text.empty()) return std::wstring();
  const int length = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0);
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
  return wide;
}

}  // namespace

std::wstring WideFromUtf8(const std::string& utf8) { return Widen(utf8, CP_UTF8); }
std::wstring WideFrom1251(const std::string& cp1251) { return Widen(cp1251, 1251); }

std::string Utf8FromWide(const wchar_t* wide, size_t length) {
  if (length == 0) return std::string();
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), nullptr, 0,
                                       nullptr, nullptr);
  std::string utf8(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, static_cast<int>(length), utf8.data(), size, nullptr,
                      nullptr);
  return utf8;
}

std::string Utf8FromWide(const std::wstring& wide) { return Utf8FromWide(wide.data(), wide.size()); }

}  // namespace kol
