#include <gtest/gtest.h>

#include "kol/text_helpers.h"

using namespace kol;

TEST(IntToGroupedText, GroupsThousandsFromTheRightAndLeavesSmallAndNegativeValues) {
  EXPECT_EQ(IntToGroupedText(0), "0");
  EXPECT_EQ(IntToGroupedText(999), "999");
  EXPECT_EQ(IntToGroupedText(1000), "1,000");
  EXPECT_EQ(IntToGroupedText(1234), "1,234");
  EXPECT_EQ(IntToGroupedText(123456), "123,456");
  EXPECT_EQ(IntToGroupedText(1234567), "1,234,567");
  EXPECT_EQ(IntToGroupedText(2147483647), "2,147,483,647");
  EXPECT_EQ(IntToGroupedText(5000000000LL), "5,000,000,000");
  EXPECT_EQ(IntToGroupedText(-5000), "-5000");
  EXPECT_EQ(IntToText(-2147483647 - 1), "-2147483648");
}

TEST(UpperAscii, RaisesOnlyLatinLetters) {
  // "абвАБВ" and "ёЁ" in code page 1251 stay as they are.
  const std::string cyrillic = "\xE0\xE1\xE2\xC0\xC1\xC2\xB8\xA8";
  EXPECT_EQ(UpperAscii("layers.Button_7" + cyrillic + "z{`"), "LAYERS.BUTTON_7" + cyrillic + "Z{`");
}

TEST(PathParts, SplitAtTheLastColonOrBackslashOnly) {
  EXPECT_EQ(FileDirPart("C:\\dir\\file.h4r"), "C:\\dir\\");
  EXPECT_EQ(FileNamePart("C:\\dir\\file.h4r"), "file.h4r");
  EXPECT_EQ(FileDirPart("file.h4r"), "");
  EXPECT_EQ(FileNamePart("file.h4r"), "file.h4r");
  EXPECT_EQ(FileNamePart("C:\\dir\\"), "");
  EXPECT_EQ(FileDirPart("C:file"), "C:");
  EXPECT_EQ(FileNamePart("C:file"), "file");
  EXPECT_EQ(FileDirPart("a/b/c"), "");  // "/" is no delimiter
  EXPECT_EQ(FileNamePart("a/b/c"), "a/b/c");
  EXPECT_EQ(FileDirPart(""), "");
}
