#include "archive/aliases.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace archive {
namespace {

std::string Folded(const std::string& name) {
  std::string folded = name;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

constexpr uint32_t kNoRecord = UINT32_MAX;

}  // namespace

void ResolveAliases(EntryTable& table) {
  bool any = false;
  for (const ArchiveEntry& e : table) any = any || e.IsAlias();
  if (!any) return;

  // The record each name stands for: the first with data, else the first alias.
  std::unordered_map<std::string, uint32_t> named;
  for (uint32_t k = 0; k < table.size(); ++k) {
    const auto [at, added] = named.try_emplace(Folded(table[k].Name), k);
    if (!added && table[at->second].IsAlias() && !table[k].IsAlias()) at->second = k;
  }

  // Each chain is walked once: the aliases on it are held until its end is
  // known, and an alias met again while its own chain is open closes a loop.
  enum : uint8_t { kUnseen, kOnChain, kDone };
  std::vector<uint8_t> seen(table.size(), kUnseen);
  std::vector<uint32_t> chain;
  for (uint32_t k = 0; k < table.size(); ++k) {
    if (!table[k].IsAlias() || seen[k] != kUnseen) continue;
    AliasState state = AliasState::Resolved;
    uint32_t at = k;
    for (;;) {
      if (!table[at].IsAlias()) break;
      if (seen[at] == kDone) {
        state = table[at].Alias;
        at = table[at].Target;
        break;
      }
      if (seen[at] == kOnChain) {
        state = AliasState::Loop;
        break;
      }
      seen[at] = kOnChain;
      chain.push_back(at);
      const auto found = named.find(Folded(table[at].AliasName));
      if (found == named.end()) {
        state = AliasState::Missing;
        break;
      }
      at = found->second;
    }
    for (const uint32_t a : chain) {
      seen[a] = kDone;
      table[a].Alias = state;
      table[a].Target = state == AliasState::Resolved ? at : kNoRecord;
    }
    chain.clear();
  }
}

}  // namespace archive
