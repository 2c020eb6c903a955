// The program's own conversions against Windows' own: code page 1251 and
// UTF-8 to the UTF-16 the system is called with, and back.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "kol/text_encoding.h"
#include "kol/wide_text.h"

namespace {

std::wstring SystemWide(const std::string& text, UINT codePage) {
  const int n = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(), n);
  return wide;
}

std::string SystemUtf8(const std::wstring& wide) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n, nullptr, nullptr);
  return utf8;
}

}  // namespace

TEST(TextEncoding, AgreesWithWindowsOwnConversions) {
  for (int b = 1; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(kol::WideFrom1251(one), SystemWide(one, 1251)) << "byte " << b;
    EXPECT_EQ(kol::Cp1251ToUtf8(one), SystemUtf8(SystemWide(one, 1251))) << "byte " << b;
  }
  // Valid and broken UTF-8, and UTF-16 with lone surrogates.
  const std::string utf8[] = {"plain", "Папка тест", "\xF0\x9F\x98\x80 emoji", "\xC0\xAF overlong",
                              "\xED\xA0\x80 surrogate", "cut \xE2\x82", "\xF4\x90\x80\x80 too high"};
  for (const std::string& text : utf8) EXPECT_EQ(kol::WideFromUtf8(text), SystemWide(text, CP_UTF8)) << text;
  const std::wstring wide[] = {L"ok", std::wstring(1, wchar_t(0xD800)) + L"x", L"a" + std::wstring(1, wchar_t(0xDC00))};
  for (const std::wstring& text : wide) EXPECT_EQ(kol::Utf8FromWide(text), SystemUtf8(text));
}
