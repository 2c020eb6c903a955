#include <gtest/gtest.h>

#include "io/text_encoding.h"
#include "io/text_helpers.h"
#include "io/wide_text.h"

using namespace io;

TEST(Text, ConvertsBetweenCodePage1251Utf8AndUtf16) {
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Cp1251FromUtf8(Utf8FromCp1251(all)), all);
  EXPECT_EQ(Utf8Width(Utf8FromCp1251(all)), all.size());
  EXPECT_EQ(WideFromCp1251("\xCF\xA8\xB9\x98"), L"ПЁ№\u0098");
  for (const char* refused : {"日本", "\xC0\xAF", "\xD0", "\xD0\x41", "\xF0\x9F\x98\x80"})
    EXPECT_EQ(Cp1251FromUtf8(refused), std::nullopt) << refused;
  // Both sides of every length boundary of UTF-8 and of UTF-16's surrogates.
  const wchar_t* utf16[] = {L"\x7F",   L"\x80",         L"\x7FF",       L"\x800",
                            L"\xFFFF", L"\xD800\xDC00", L"\xDBFF\xDFFF"};
  const char* utf8[] = {"\x7F",         "\xC2\x80",         "\xDF\xBF",        "\xE0\xA0\x80",
                        "\xEF\xBF\xBF", "\xF0\x90\x80\x80", "\xF4\x8F\xBF\xBF"};
  for (size_t k = 0; k < std::size(utf8); ++k) {
    EXPECT_EQ(WideFromUtf8(utf8[k]), std::wstring(utf16[k])) << utf8[k];
    EXPECT_EQ(Utf8FromWide(utf16[k]), utf8[k]) << utf8[k];
  }
  // What cannot be converted becomes U+FFFD.
  EXPECT_EQ(WideFromUtf8("\xC0\xAF|\xE2\x82|\xE2\x82|\xE0\x9F\xBF"),
            L"\xFFFD\xFFFD|\xFFFD|\xFFFD|\xFFFD\xFFFD");
  EXPECT_EQ(Utf8FromWide(L"\xDC00\x61\xDC00\xD800"), "\uFFFDa\uFFFD\uFFFD");
}

TEST(Text, NumbersLatinCaseAndPathSplits) {
  const int64_t values[] = {0, 999, 1000, 123456, 1234567, -5000, 5000000000LL};
  const char* grouped[] = {"0", "999", "1,000", "123,456", "1,234,567", "-5000", "5,000,000,000"};
  for (size_t k = 0; k < std::size(values); ++k) EXPECT_EQ(IntToGroupedText(values[k]), grouped[k]);
  EXPECT_EQ(UpperAscii("az.Button_7\xE0\xC0\xB8z{`"), "AZ.BUTTON_7\xE0\xC0\xB8Z{`");
  // Each path, then its folder and name parts.
  const char* splits[] = {"C:\\dir\\file", "C:\\dir\\|file", "file",   "|file",
                          "C:\\dir\\",     "C:\\dir\\|",     "C:file", "C:|file",
                          "a/b/c",         "|a/b/c",         "",       "|"};
  for (size_t k = 0; k < std::size(splits); k += 2)
    EXPECT_EQ(FileDirPart(splits[k]) + "|" + FileNamePart(splits[k]), splits[k + 1]);
}
