#include "selection/path_pattern.h"

#include <algorithm>

namespace selection {
namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

char Folded(char c, bool ignoreCase) {
  return ignoreCase && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

PathPattern::PathPattern(std::string_view pattern, bool ignoreCase) : ignoreCase_(ignoreCase) {
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '*') {
      size_t stars = 1;
      while (i + stars < pattern.size() && pattern[i + stars] == '*') ++stars;
      i += stars - 1;
      if (stars >= 2 && i + 1 < pattern.size() && IsSeparator(pattern[i + 1])) {
        // The separator itself becomes the next step, at the next round.
        steps_.push_back({Kind::Folders, 0});
        steps_.push_back({Kind::AnyStar, 0});
      } else {
        steps_.push_back({stars >= 2 ? Kind::AnyStar : Kind::Star, 0});
      }
    } else if (c == '?') {
      steps_.push_back({Kind::One, 0});
    } else if (IsSeparator(c)) {
      steps_.push_back({Kind::Separator, 0});
    } else {
      steps_.push_back({Kind::Byte, Folded(c, ignoreCase)});
    }
  }
  if (!pattern.empty() && IsSeparator(pattern.back())) steps_.push_back({Kind::AnyStar, 0});
}

// The set of steps the match can stand at after the text read so far,
// advanced one character at a time: no backtracking, so the work never grows
// beyond steps times characters, whatever the stars.
bool PathPattern::Matches(std::string_view text) const {
  const size_t n = steps_.size();
  std::vector<char> at(n + 3, 0), next(n + 3, 0);
  // Steps that may match nothing let the match stand at the following ones
  // at once; all of these lead forward, so one pass in order takes them all.
  auto close = [&](std::vector<char>& set) {
    for (size_t s = 0; s < n; ++s) {
      if (!set[s]) continue;
      const Kind k = steps_[s].Type;
      if (k == Kind::Star || k == Kind::AnyStar || k == Kind::Folders) set[s + 1] = 1;
      if (k == Kind::Folders) set[s + 3] = 1;
    }
  };
  at[0] = 1;
  close(at);
  for (const char raw : text) {
    const char c = Folded(raw, ignoreCase_);
    const bool separator = IsSeparator(c);
    std::fill(next.begin(), next.end(), 0);
    for (size_t s = 0; s < n; ++s) {
      if (!at[s]) continue;
      const Step& step = steps_[s];
      switch (step.Type) {
        case Kind::Byte: next[s + 1] |= c == step.Byte; break;
        case Kind::Separator: next[s + 1] |= separator; break;
        case Kind::One: next[s + 1] |= !separator; break;
        case Kind::Star: next[s] |= !separator; break;
        case Kind::AnyStar: next[s] = 1; break;
        case Kind::Folders: break;
      }
    }
    close(next);
    if (std::find(next.begin(), next.begin() + static_cast<std::ptrdiff_t>(n) + 1, 1) ==
        next.begin() + static_cast<std::ptrdiff_t>(n) + 1) {
      return false;
    }
    at.swap(next);
  }
  return at[n] != 0;
}

}  // namespace selection
