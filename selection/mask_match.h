// Whether an entry's name or path holds a mask text, as "Выделение по маске"
// and `tarnwick-cli extract --match` decide it.
#pragma once

#include <string>

#include "archive/archive_entry.h"

namespace selection {

struct MaskOptions {
  bool ByName = true;
  bool ByPath = false;
  bool IgnoreCase = true;  // folds only a to z (UpperAscii), as the dialog does
};

// A mask in code page 1251 bytes, folded once.
class MaskMatcher {
 public:
  MaskMatcher(const std::string& mask, const MaskOptions& options);
  // True when the mask occurs as a run of equal bytes in the name or the
  // path, as the options say. An empty mask occurs nowhere.
  bool Matches(const archive::ArchiveEntry& entry) const;

 private:
  bool OccursIn(const std::string& text) const;

  std::string mask_;
  MaskOptions options_;
};

}  // namespace selection
