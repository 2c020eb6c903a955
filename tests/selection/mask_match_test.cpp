#include <gtest/gtest.h>

#include "selection/mask_match.h"

using selection::MaskMatcher;
using selection::MaskOptions;

using archive::ArchiveEntry;

namespace {

ArchiveEntry Entry(const std::string& name, const std::string& path) {
  ArchiveEntry e;
  e.Name = name;
  e.Path = path;
  return e;
}

}  // namespace

TEST(MaskMatcher, NamePathAndCase) {
  const ArchiveEntry cancel = Entry("cancel.h4r", "layers\\button\\");
  EXPECT_FALSE(MaskMatcher("button", {}).Matches(cancel));
  EXPECT_TRUE(MaskMatcher("button", {true, true, true}).Matches(cancel));
  EXPECT_TRUE(MaskMatcher("BUTTON", {false, true, true}).Matches(cancel));
  EXPECT_FALSE(MaskMatcher("BUTTON", {false, true, false}).Matches(cancel));
  EXPECT_TRUE(MaskMatcher("CEL.H", {}).Matches(cancel));
  EXPECT_FALSE(MaskMatcher("cancel", {false, false, true}).Matches(cancel));
  EXPECT_FALSE(MaskMatcher("", {true, true, true}).Matches(cancel));
  EXPECT_FALSE(MaskMatcher("cancel.h4r!", {}).Matches(cancel));

  // Only a to z fold: Cyrillic in code page 1251 is compared as it is.
  const ArchiveEntry cyrillic = Entry("\xD2\xC0\xC1.txt", "");  // "ТАБ.txt"
  EXPECT_FALSE(MaskMatcher("\xF2\xE0\xE1", {}).Matches(cyrillic));  // "таб"
  EXPECT_TRUE(MaskMatcher("\xD2\xC0\xC1.TXT", {}).Matches(cyrillic));
}
