#include <gtest/gtest.h>

#include "kol/text_encoding.h"

#ifdef _WIN32
#include <windows.h>

#include "kol/wide_text.h"
#endif

using namespace kol;

TEST(TextEncoding, Cp1251RoundTripsThroughUtf8) {
  EXPECT_EQ(Cp1251ToUtf8("\xCF\xF3\xF2\xFC"), "Путь");
  EXPECT_EQ(Cp1251ToUtf8("\xA8\xB8\xB9"), "Ёё№");
  std::string all;
  for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
  EXPECT_EQ(Utf8ToCp1251(Cp1251ToUtf8(all)), all);
  EXPECT_EQ(Utf8Width(Cp1251ToUtf8(all)), all.size());

  EXPECT_EQ(Utf8ToCp1251("Имя файла"), std::string("\xC8\xEC\xFF \xF4\xE0\xE9\xEB\xE0"));
  EXPECT_EQ(Utf8ToCp1251("日本"), std::nullopt);       // outside the code page
  EXPECT_EQ(Utf8ToCp1251("\xC0\xAF"), std::nullopt);  // an overlong "/"
  EXPECT_EQ(Utf8ToCp1251("\xD0"), std::nullopt);      // cut short
}

#ifdef _WIN32
TEST(TextEncoding, AgreesWithTheSystemsCodePage1251) {
  for (int b = 1; b < 256; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(Utf8FromWide(WideFrom1251(one)), Cp1251ToUtf8(one)) << "byte " << b;
  }
}
#endif
