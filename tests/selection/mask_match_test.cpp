#include <gtest/gtest.h>

#include "selection/mask_match.h"

TEST(MaskMatcher, LooksInTheNameThePathOrBothAndFoldsOnlyLatinLetters) {
  // "ТАБ" in code page 1251.
  const archive::ArchiveEntry e{
      .Name = "cancel.\xD2\xC0\xC1", .Path = "layers\\button\\", .AliasName = ""};
  const auto matches = [&](const char* mask, selection::MaskOptions options) {
    return selection::MaskMatcher(mask, options).Matches(e);  // by name, by path, ignoring case
  };
  EXPECT_TRUE(matches("CEL.", {}) && matches("L.\xD2\xC0\xC1", {}) &&
              matches("S\\BUTTON", {false, true, true}) && matches("cancel", {true, true, false}));
  EXPECT_FALSE(matches("button", {}) || matches("\xF2\xE0\xE1", {}) ||
               matches("", {true, true, true}) || matches("Cancel", {true, true, false}) ||
               matches("cancel", {false, true, true}));
}
