#include <gtest/gtest.h>

#include "kol/text_encoding.h"

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
