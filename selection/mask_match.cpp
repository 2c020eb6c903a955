#include "selection/mask_match.h"

#include "io/text_helpers.h"

namespace selection {

using archive::ArchiveEntry;

MaskMatcher::MaskMatcher(const std::string& mask, const MaskOptions& options)
    : mask_(options.IgnoreCase ? io::UpperAscii(mask) : mask), options_(options) {}

bool MaskMatcher::OccursIn(const std::string& text) const {
  if (mask_.empty()) return false;
  if (!options_.IgnoreCase) return text.find(mask_) != std::string::npos;
  return io::UpperAscii(text).find(mask_) != std::string::npos;
}

bool MaskMatcher::Matches(const ArchiveEntry& entry) const {
  return (options_.ByName && OccursIn(entry.Name)) || (options_.ByPath && OccursIn(entry.Path));
}

}  // namespace selection
