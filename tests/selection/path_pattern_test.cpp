// The patterns of --include and --exclude, matched on their own.
#include <gtest/gtest.h>

#include "selection/path_pattern.h"

TEST(PathPattern, MatchesWholePathsFolderByFolder) {
  // Each pattern, matched ignoring case, against a text. Patterns that make a
  // backtracking matcher try every way to split the text (the last rows):
  // each must still end, with the right answer.
  std::string folders, stars, path, as(4000, 'a');
  for (int i = 0; i < 2000; ++i) folders += "**/", stars += "*a", path += i < 120 ? "d/" : "";
  // clang-format off
  const struct { std::string Pattern, Text; bool Matches; } cases[] = {
      {"*.wav", "a.wav", true},        {"*.wav", "s/a.wav", false},    {"**/*.wav", "a.wav", true},
      {"**/*.wav", "s\\t/a.wav", true}, {"**/x", "ax", false},         {"**/x", "a/x", true},
      {"a/**/b", "a/b", true},         {"a/**/b", "a/x/y/b", true},    {"a/**/b", "a/xb", false},
      {"s**", "s/t/u", true},          {"s/", "s/t/u", true},          {"s/", "st", false},
      {"a?c", "abc", true},            {"a?c", "a/c", false},          {"a?c", "ac", false},
      {"b", "ab", false},              {"a", "ab", false},             {"a\\*", "A/bc", true},
      {"SOUND/*.WAV", "sound/a.wav", true}, {"Z*", "zoo", true}, {"", "", true}, {"", "a", false},
      // Only Latin letters fold: a capital and a small Cyrillic A differ.
      {"\xC0*", "\xE0x", false},       {"\xC0*", "\xC0x", true},
      {folders + "x", path + "y", false}, {folders + "y", path + "y", true},
      {stars + "b", as, false},        {stars, as, true},
  };
  // clang-format on
  for (const auto& c : cases) {
    EXPECT_EQ(selection::PathPattern(c.Pattern, true).Matches(c.Text), c.Matches)
        << c.Pattern.substr(0, 40) << " against " << c.Text.substr(0, 40);
  }
  EXPECT_FALSE(selection::PathPattern("SOUND/*.WAV", false).Matches("sound/a.wav"));
}
