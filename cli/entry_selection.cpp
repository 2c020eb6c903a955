#include "cli/entry_selection.h"

#include <cstdio>

#include "cli/json_text.h"
#include "io/text_encoding.h"
#include "selection/path_pattern.h"

namespace cli {

using archive::ArchiveEntry;
using archive::EntryTable;
using archive::kCompressionDeflated;

std::vector<Option> SelectionRows(SelectionOptions& o) {
  const auto add = [](std::vector<std::string>& to) {
    return [&to](const std::string& value) {
      to.push_back(value);
      return std::string();
    };
  };
  return {
      {"include", 0, "PATTERN",
       "only the entries whose path and name (as list shows\n"
       "them, layers/button/cancel.h4r) match PATTERN; may be\n"
       "repeated: any of them will do. ? is one character,\n"
       "* any characters but a separator, ** any characters,\n"
       "**/ any folders or none; / and \\ are the same",
       add(o.Includes)},
      {"exclude", 0, "PATTERN", "leave out the entries that match PATTERN (repeatable)",
       add(o.Excludes)},
      {"match", 0, "TEXT",
       "only the entries whose name (path, both) holds TEXT;\n"
       "may be repeated: any of the texts will do",
       add(o.Matches)},
      {"in", 0, "name|path|both", "where --match looks (default: name)",
       [&o](const std::string& value) {
         if (value != "name" && value != "path" && value != "both")
           return "--in takes name, path or both, not " + value;
         o.MaskOptions.ByName = value != "path";
         o.MaskOptions.ByPath = value != "name";
         return std::string();
       }},
      Flag("compressed-only", 0, "only the compressed entries", [&o] { o.CompressedOnly = true; }),
      Flag("case-sensitive", 0, "patterns and --match tell Latin capitals from small\nletters",
           [&o] { o.MaskOptions.IgnoreCase = false; }),
  };
}

std::string FormedName(const ArchiveEntry& entry) {
  if (entry.PathLen == 0 || entry.Path.empty()) return entry.Name;
  const char last = entry.Path.back();
  return entry.Path + (last == '\\' || last == '/' ? "" : "\\") + entry.Name;
}

namespace {

// A text typed in UTF-8, in the archive's code page; a character outside it
// cannot be in any name, so such a text matches nothing.
template <typename Matcher, typename... Rest>
std::optional<Matcher> Typed(const std::string& utf8, Rest... rest) {
  std::optional<std::string> bytes = io::Cp1251FromUtf8(utf8);
  if (!bytes) return std::nullopt;
  return Matcher(*bytes, rest...);
}

}  // namespace

Selection SelectEntries(const EntryTable& table, const SelectionOptions& o) {
  const bool ignoreCase = o.MaskOptions.IgnoreCase;
  std::vector<std::optional<selection::PathPattern>> includes, excludes;
  for (const std::string& p : o.Includes)
    includes.push_back(Typed<selection::PathPattern>(p, ignoreCase));
  for (const std::string& p : o.Excludes)
    excludes.push_back(Typed<selection::PathPattern>(p, ignoreCase));
  std::vector<std::optional<selection::MaskMatcher>> masks;
  for (const std::string& m : o.Matches) {
    masks.push_back(Typed<selection::MaskMatcher>(m, o.MaskOptions));
  }

  // Whether each include, --match text and --compressed-only took any entry
  // on its own, so that the one that took none can be named.
  std::vector<char> includeHit(includes.size(), 0), maskHit(masks.size(), 0);
  bool compressedHit = false;
  Selection s;
  for (size_t k = 0; k < table.size(); ++k) {
    const ArchiveEntry& e = table[k];
    const std::string formed = FormedName(e);
    bool included = includes.empty(), matched = masks.empty();
    for (size_t i = 0; i < includes.size(); ++i) {
      if (includes[i] && includes[i]->Matches(formed)) {
        includeHit[i] = 1;
        included = true;
      }
    }
    for (size_t i = 0; i < masks.size(); ++i) {
      if (masks[i] && masks[i]->Matches(e)) {
        maskHit[i] = 1;
        matched = true;
      }
    }
    const bool compressed = e.Compression == kCompressionDeflated;
    compressedHit = compressedHit || compressed;
    bool excluded = false;
    for (const auto& x : excludes) excluded = excluded || (x && x->Matches(formed));
    if (included && matched && (compressed || !o.CompressedOnly) && !excluded)
      s.Entries.push_back(k);
  }

  auto none = [&](const std::string& what) {
    std::fprintf(stderr, "tarnwick-cli: %s selects no entry\n", PrintableText(what).c_str());
    s.Failed = true;
  };
  for (size_t i = 0; i < includes.size(); ++i) {
    if (!includeHit[i]) none("pattern " + o.Includes[i]);
  }
  for (size_t i = 0; i < masks.size(); ++i) {
    if (!maskHit[i]) none("--match " + o.Matches[i]);
  }
  if (o.CompressedOnly && !compressedHit) none("--compressed-only");
  if (!s.Failed && s.Entries.empty() && o.Narrows() && !table.empty()) {
    std::fputs("tarnwick-cli: no entry passes all the selection options together\n", stderr);
    s.Failed = true;
  }
  return s;
}

}  // namespace cli
