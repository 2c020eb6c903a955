// Shell-style patterns over an entry's path and name ("sound/**/*.wav"), as
// tarnwick-cli's --include and --exclude take them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace selection {

// A pattern in code page 1251 bytes, matched against the whole of a text
// (anchored at both ends). "/" and "\" are the same separator in both.
//   ?     one character other than a separator
//   *     any run of characters without a separator
//   **    any run of characters, separators included
//   **/   zero or more whole folders ("**/x" matches "x" and "a/b/x")
// A pattern that ends in a separator takes everything beneath that folder.
// IgnoreCase folds only the Latin letters a to z, as UpperAscii does.
class PathPattern {
 public:
  PathPattern(std::string_view pattern, bool ignoreCase);
  // Time grows with the pattern's length times the text's, never more,
  // whatever the stars: no pattern typed can make a match run away.
  bool Matches(std::string_view text) const;

 private:
  // "**/" is Folders, AnyStar, Separator: Folders reads nothing and lets the
  // match go on inside the folders or past all three.
  enum class Kind : unsigned char { Byte, Separator, One, Star, AnyStar, Folders };
  struct Step {
    Kind Type;
    char Byte;  // for Kind::Byte
  };
  std::vector<Step> steps_;
  bool ignoreCase_;
};

}  // namespace selection
