// The patterns of --include and --exclude, matched on their own.
#include <gtest/gtest.h>

#include "selection/path_pattern.h"

TEST(PathPattern, MatchesWholePathsFolderByFolder) {
  // Patterns that make a backtracking matcher try every way to split the
  // text (the last rows): each must still end, with the right answer.
  std::string folders, stars, path, as(4000, 'a');
  for (int i = 0; i < 2000; ++i) folders += "**/", stars += "*a", path += i < 120 ? "d/" : "";
  // clang-format off
  const struct { std::string Pattern, Text; bool IgnoreCase, Matches; } cases[] = {
      {"*.wav", "a.wav", true, true},          {"*.wav", "s/a.wav", true, false},
      {"**/*.wav", "a.wav", true, true},       {"**/*.wav", "s\\t/a.wav", true, true},
      {"**/x", "ax", true, false},             {"**/x", "a/x", true, true},
      {"a/**/b", "a/b", true, true},           {"a/**/b", "a/x/y/b", true, true},
      {"a/**/b", "a/xb", true, false},         {"s**", "s/t/u", true, true},
      {"s/", "s/t/u", true, true},             {"s/", "st", true, false},
      {"a?c", "abc", true, true},              {"a?c", "a/c", true, false},
      {"a?c", "ac", true, false},              {"b", "ab", true, false},
      {"a", "ab", true, false},                {"a\\*", "A/bc", true, true},
      {"SOUND/*.WAV", "sound/a.wav", true, true}, {"SOUND/*.WAV", "sound/a.wav", false, false},
      {"Z*", "zoo", true, true},
      // Only Latin letters fold: a capital and a small Cyrillic A differ.
      {"\xC0*", "\xE0x", true, false},         {"\xC0*", "\xC0x", true, true},
      {"", "", true, true},                    {"", "a", true, false},
      {folders + "x", path + "y", true, false}, {folders + "y", path + "y", true, true},
      {stars + "b", as, true, false},          {stars, as, true, true},
  };
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_EQ(selection::PathPattern(c.Pattern, c.IgnoreCase).Matches(c.Text), c.Matches)
        << c.Pattern.substr(0, 40) << " against " << c.Text.substr(0, 40);
  }
}
