#include <gtest/gtest.h>

#include "archive/path_formation.h"

using archive::ArchiveEntry;
using archive::EntryTable;
using archive::FormPaths;
using archive::LastCharPos;

namespace {

ArchiveEntry Formed(const std::string& name, const std::string& storedPath = "stored\\path") {
  EntryTable table(1);
  table[0].Name = name;
  table[0].NameLen = static_cast<uint16_t>(name.size());
  table[0].Path = storedPath;
  table[0].PathLen = static_cast<uint16_t>(storedPath.size());
  table[0].Size = 42;
  FormPaths(table);
  EXPECT_EQ(table[0].NameLen, table[0].Name.size());
  EXPECT_EQ(table[0].PathLen, table[0].Path.size());
  EXPECT_EQ(table[0].Size, 42);  // nothing but names and paths is touched
  return table[0];
}

}  // namespace

TEST(FormPaths, WorkedExamples) {
  struct Case {
    std::string name, path, formedName;
  };
  const Case cases[] = {
      {"layers.button.cancel.h4r", "layers\\button\\", "cancel.h4r"},
      {"cancel.h4r", "", "cancel.h4r"},
      {"readme", "", "readme"},
      {"a..b.c", "a\\\\", "b.c"},
      {"abc.", "", "abc."},
      {".a.b", "\\", "a.b"},
      {".h4r", "", ".h4r"},
      {"dir\\x.y.z", "dir\\x\\", "y.z"},
      {"C:x.y", "C:", "x.y"},
      {"a..b", "a\\", ".b"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    const ArchiveEntry e = Formed(c.name);
    EXPECT_EQ(e.Path, c.path) << c.name;
    EXPECT_EQ(e.Name, c.formedName) << c.name;
  }
}

TEST(FormPaths, LengthsFollowTheNewTextsAlsoAfterACut) {
  EntryTable table(1);
  table[0].Name = std::string(200, 'a') + "." + std::string(45, 'b');  // cut at 246
  table[0].NameLen = 300;
  FormPaths(table);
  EXPECT_EQ(table[0].Path, "");
  EXPECT_EQ(table[0].NameLen, 246);
}

TEST(LastCharPos, CountsFromOneAndGivesZeroWhenAbsent) {
  EXPECT_EQ(LastCharPos("a.b.c", '.'), 4u);
  EXPECT_EQ(LastCharPos(".", '.'), 1u);
  EXPECT_EQ(LastCharPos("abc", '.'), 0u);
  EXPECT_EQ(LastCharPos("", '.'), 0u);
}
