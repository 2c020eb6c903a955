// The program's own conversions against Windows' own: code page 1251 and
// UTF-8 to the UTF-16 the system is called with, and back.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "io/text_encoding.h"
#include "io/wide_text.h"

TEST(TextEncoding, AgreesWithWindowsOwnConversions) {
  // Room enough: one UTF-16 unit at most per byte, three bytes at most per unit.
  auto systemWide = [](const std::string& s, UINT page) {
    std::wstring w(s.size(), L'\0');
    w.resize(MultiByteToWideChar(page, 0, s.data(), int(s.size()), w.data(), int(s.size())));
    return w;
  };
  auto systemUtf8 = [](const std::wstring& w) {
    std::string s(3 * w.size(), '\0');
    const int n = int(w.size());
    s.resize(WideCharToMultiByte(CP_UTF8, 0, w.data(), n, s.data(), 3 * n, nullptr, nullptr));
    return s;
  };
  for (int b = 1; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(io::WideFromCp1251(one), systemWide(one, 1251)) << "byte " << b;
    EXPECT_EQ(io::Utf8FromCp1251(one), systemUtf8(systemWide(one, 1251))) << "byte " << b;
  }
  // Valid and broken UTF-8, and UTF-16 with lone surrogates.
  for (const std::string text :
       {"plain", "Папка тест", "\xF0\x9F\x98\x80 emoji", "\xC0\xAF overlong",
        "\xED\xA0\x80 surrogate", "cut \xE2\x82", "\xF4\x90\x80\x80 too high"})
    EXPECT_EQ(io::WideFromUtf8(text), systemWide(text, CP_UTF8)) << text;
  for (const std::wstring text : {L"ok", L"\xD800x", L"a\xDC00"})
    EXPECT_EQ(io::Utf8FromWide(text), systemUtf8(text));
}
