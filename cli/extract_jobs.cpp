#include "cli/extract_jobs.h"

#include <algorithm>
#include <atomic>
#include <mutex>
#include <thread>
#include <unordered_map>

#include "extract/entry_extraction.h"
#include "kol/file_backend.h"
#include "kol/stream.h"
#include "kol/text_encoding.h"

namespace cli {
namespace {

// Lower case as the file systems that ignore case see it: Latin letters and
// the letters of code page 1251. Folding too much only costs parallelism;
// folding too little could let two threads write one file.
char FoldCase(char c) {
  const auto b = static_cast<unsigned char>(c);
  if (b >= 'A' && b <= 'Z') return static_cast<char>(b + 32);
  if (b >= 0xC0 && b <= 0xDF) return static_cast<char>(b + 32);
  switch (b) {
    case 0x80: return '\x90';
    case 0x81: return '\x83';
    case 0x8A: case 0x8C: case 0x8D: case 0x8E: case 0x8F: return static_cast<char>(b + 16);
    case 0xA1: return '\xA2';
    case 0xA3: return '\xBC';
    case 0xA5: return '\xB4';
    case 0xA8: case 0xAA: case 0xAF: return static_cast<char>(b + 16);
    case 0xB2: return '\xB3';
    case 0xBD: return '\xBE';
    default: return c;
  }
}

// The file an entry lands in, spelt so that every spelling of one file gives
// one key: separators unified and collapsed, trailing dots and spaces of each
// component dropped (Windows drops them), case folded.
std::string DestinationKey(ArchiveEntry& entry) {
  const std::string raw = extract::ComposeFolder(entry, std::string()) + entry.Name;
  std::string key;
  key.reserve(raw.size());
  auto endComponent = [&key] {
    while (!key.empty() && (key.back() == '.' || key.back() == ' ')) key.pop_back();
  };
  for (const char c : raw) {
    if (c == '\\' || c == '/') {
      endComponent();
      if (!key.empty() && key.back() != '\\') key += '\\';
    } else {
      key += FoldCase(c);
    }
  }
  endComponent();
  return key;
}

}  // namespace

unsigned DefaultJobs() { return std::max(1u, std::thread::hardware_concurrency()); }

std::vector<extract::ExtractOutcome> ExtractEntries(const std::string& archiveName, EntryTable& table,
                                                    const std::vector<size_t>& work,
                                                    const std::string& outputFolder, unsigned jobs,
                                                    const std::function<void()>& stepDone) {
  std::vector<extract::ExtractOutcome> outcomes(work.size());
  std::mutex lock;
  auto finished = [&] {
    std::lock_guard<std::mutex> hold(lock);
    stepDone();
  };

  // Groups of work positions that must run in order on one thread.
  std::vector<std::vector<size_t>> groups;
  if (jobs <= 1) {
    groups.emplace_back(work.size());
    for (size_t i = 0; i < work.size(); ++i) groups[0][i] = i;
  } else {
    std::unordered_map<std::string, size_t> groupOf;
    groupOf.reserve(work.size());
    for (size_t i = 0; i < work.size(); ++i) {
      const auto [it, added] = groupOf.emplace(DestinationKey(table[work[i]]), groups.size());
      if (added) groups.emplace_back();
      groups[it->second].push_back(i);
    }
    // The largest groups first, so that one big entry does not start last
    // and keep one thread busy while the others idle.
    auto weight = [&](const std::vector<size_t>& g) {
      int64_t bytes = 0;
      for (const size_t i : g) {
        // In 64 bits: two sizes near 2^31 from a hostile directory overflow 32.
        bytes += int64_t{std::max(table[work[i]].StoredSize, 0)} + std::max(table[work[i]].Size, 0);
      }
      return bytes;
    };
    std::vector<int64_t> weights(groups.size());
    for (size_t g = 0; g < groups.size(); ++g) weights[g] = weight(groups[g]);
    std::vector<size_t> order(groups.size());
    for (size_t g = 0; g < order.size(); ++g) order[g] = g;
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return weights[a] > weights[b]; });
    std::vector<std::vector<size_t>> sorted;
    sorted.reserve(groups.size());
    for (const size_t g : order) sorted.push_back(std::move(groups[g]));
    groups = std::move(sorted);
  }

  std::atomic<size_t> nextGroup{0};
  auto worker = [&] {
    kol::StreamPtr archive = kol::OpenReadStream(archiveName);
    extract::FolderCache folders;
    const std::string openError = archive->IsOpen() ? std::string() : kol::fs::LastErrorText();
    for (size_t g; (g = nextGroup.fetch_add(1)) < groups.size();) {
      for (const size_t i : groups[g]) {
        ArchiveEntry& entry = table[work[i]];
        if (!openError.empty()) {
          outcomes[i].Status = extract::ExtractStatus::NotWritten;
          outcomes[i].Reason = "the archive cannot be opened again: " + openError;
          outcomes[i].Destination = extract::ComposeFolder(entry, outputFolder) + kol::Cp1251ToUtf8(entry.Name);
        } else {
          outcomes[i] = extract::ExtractEntry(*archive, entry, outputFolder, &folders);
        }
        finished();
      }
    }
  };

  const unsigned threads = std::min<size_t>(std::max(jobs, 1u), std::max<size_t>(groups.size(), 1));
  if (threads <= 1) {
    worker();
  } else {
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back(worker);
    for (std::thread& t : pool) t.join();
  }
  return outcomes;
}

}  // namespace cli
