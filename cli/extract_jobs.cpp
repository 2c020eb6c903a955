#include "cli/extract_jobs.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string_view>
#include <system_error>
#include <thread>
#include <unordered_set>

#include "extract/entry_extraction.h"
#include "extract/output_tree.h"
#include "io/file_backend.h"
#include "io/stream.h"
#include "io/text_encoding.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace cli {

using archive::EntryTable;

namespace {

// Readers that read and inflate the entries of one run ahead of the thread
// that writes them. Given an output folder, they also make the folders of
// entries they read while well ahead, each in a tree of its own, and hand
// each entry's folder handle to the writer; otherwise they never touch it.
// Either way which thread read an entry cannot change what ends up on disk
// (FoldersMayGoAhead says when making folders early cannot).
//
// Readers take entries strictly in order. An entry is Open until a reader or
// the writer takes it; the writer takes every Open entry it reaches itself,
// so it only ever waits for an entry a reader is reading right now, and a
// reader reading holds no lock and waits for nothing: the writer always gets
// on. Readers wait only for room (the window or the budget), which the
// writer makes as it goes.
class ReadAhead {
 public:
  ReadAhead(io::fs::FileHandle archive, const EntryTable& table, const std::vector<size_t>& work,
            std::vector<uint64_t> costs, const AheadLimits& limits, const std::string* outputFolder,
            size_t folderLimit)
      : archive_(archive),
        table_(table),
        work_(work),
        costs_(std::move(costs)),
        limits_(limits),
        outputFolder_(outputFolder),
        folderLimit_(folderLimit),
        folderLead_(std::min(limits.Window, work.size()) / 8),
        states_(work.size(), State::Open),
        ready_(work.size()),
        folders_(outputFolder != nullptr ? work.size() : 0, io::fs::kInvalidHandle) {}

  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  ~ReadAhead() {
    {
      std::lock_guard<std::mutex> hold(lock_);
      stop_ = true;
    }
    readersWake_.notify_all();
    for (std::thread& t : readers_) t.join();
    for (const io::fs::FileHandle folder : folders_) io::fs::CloseFolder(folder);
  }

  // Starts up to `count` readers and returns how many run: a system that
  // gives no more threads leaves more of the work to the writer.
  size_t Start(unsigned count) {
    try {
      readers_.reserve(count);
      for (unsigned t = 0; t < count; ++t) readers_.emplace_back([this] { Read(); });
    } catch (const std::system_error&) {
    } catch (const std::bad_alloc&) {
    }
    return readers_.size();
  }

  // For the writer, at work item i (i only grows): the item's data when a
  // reader has it, waiting while one is reading it; null when the writer is
  // to read the entry itself.
  // `folder` receives the handle of the item's folder when a reader made it
  // (the writer's tree adopts it), kInvalidHandle otherwise.
  std::unique_ptr<extract::UnpackedData> Take(size_t i, io::fs::FileHandle& folder) {
    std::unique_lock<std::mutex> hold(lock_);
    writing_ = i;
    next_ = std::max(next_, i + 1);  // an item no reader has taken is the writer's from now on
    if (WorthWaking()) readersWake_.notify_all();
    writerWake_.wait(hold, [&] { return states_[i] != State::Reading; });
    folder = io::fs::kInvalidHandle;
    if (!folders_.empty()) std::swap(folder, folders_[i]);
    if (folder != io::fs::kInvalidHandle) --foldersHeld_;
    return std::move(ready_[i]);
  }

  // After the writer has written item i from the data Take gave it.
  void Release(size_t i) {
    std::lock_guard<std::mutex> hold(lock_);
    inFlight_ -= costs_[i];
    if (WorthWaking()) readersWake_.notify_all();
  }

 private:
  enum class State : uint8_t { Open, Reading, Ready, LeftToWriter };

  // Whether item i fits in the window and the budget now.
  bool HasRoom(size_t i) const {
    return i < writing_ + limits_.Window && inFlight_ + costs_[i] <= limits_.Budget;
  }

  // Whether waiting readers have room for a run of entries, or the writer is
  // about to reach the next one: waking them for every entry the writer
  // finishes would cost both threads a switch per entry.
  bool WorthWaking() const {
    if (waitingReaders_ == 0 || next_ >= costs_.size() || !HasRoom(next_)) return false;
    const size_t quarter = limits_.Window / 4;
    const bool ample = next_ + quarter < writing_ + limits_.Window &&
                       inFlight_ + costs_[next_] <= limits_.Budget - limits_.Budget / 4;
    return ample || next_ <= writing_ + quarter;
  }

  void Read() {
    io::StreamPtr archive;
    try {
      archive = io::ReadStreamOnHandle(archive_, false);
    } catch (const std::bad_alloc&) {
      return;
    }
    std::optional<extract::OutputTree> folders;
    if (outputFolder_ != nullptr) folders.emplace(*outputFolder_, folderLimit_);
    std::string handedOver;  // the Path of the last folder handed to the writer
    std::unique_lock<std::mutex> hold(lock_);
    for (;;) {
      // Nothing to read, or more than the budget holds: the writer streams it.
      while (next_ < costs_.size() && (costs_[next_] == 0 || costs_[next_] > limits_.Budget)) {
        ++next_;
      }
      if (stop_ || next_ >= costs_.size()) return;
      const size_t i = next_;
      if (!HasRoom(i)) {
        ++waitingReaders_;
        readersWake_.wait(hold);
        --waitingReaders_;
        continue;
      }
      next_ = i + 1;
      states_[i] = State::Reading;
      inFlight_ += costs_[i];
      // Folders cost a reader as much again as reading a small entry: it
      // makes them only while well ahead, and leaves them to the writer when
      // the writer would otherwise come to wait for it. The handles on their
      // way to the writer are bounded, as the folders a tree holds are.
      const bool makeFolders =
          folders && i >= writing_ + folderLead_ && foldersHeld_ < folderLimit_;
      foldersHeld_ += makeFolders;
      hold.unlock();

      std::unique_ptr<extract::UnpackedData> data;
      try {
        data = std::make_unique<extract::UnpackedData>();
        if (!extract::UnpackAhead(*archive, archive::DataOf(table_, work_[i]), *data)) data.reset();
      } catch (const std::bad_alloc&) {
        data.reset();
      }
      // The writer holds the folder it was last handed: entries of one
      // folder mostly follow each other.
      io::fs::FileHandle folder = io::fs::kInvalidHandle;
      const archive::ArchiveEntry& entry = table_[work_[i]];
      if (makeFolders && (entry.PathLen == 0 || entry.Path != handedOver)) {
        try {
          folder = extract::OpenFolderAhead(entry, archive::DataOf(table_, work_[i]), *folders);
          if (folder != io::fs::kInvalidHandle) handedOver = entry.Path;
        } catch (const std::bad_alloc&) {
        }
      }

      hold.lock();
      if (makeFolders) {
        folders_[i] = folder;
        foldersHeld_ -= folder == io::fs::kInvalidHandle;
      }
      if (data) {
        ready_[i] = std::move(data);
        states_[i] = State::Ready;
      } else {
        states_[i] = State::LeftToWriter;
        inFlight_ -= costs_[i];
        readersWake_.notify_all();
      }
      if (i == writing_) writerWake_.notify_one();
    }
  }

  const io::fs::FileHandle archive_;
  const EntryTable& table_;
  const std::vector<size_t>& work_;
  const std::vector<uint64_t> costs_;  // AheadCost of each item
  const AheadLimits limits_;
  const std::string* const outputFolder_;  // null: the writer makes every folder
  const size_t folderLimit_;               // folders each reader's tree holds open
  const size_t folderLead_;                // how far ahead of the writer that is "well ahead"

  std::mutex lock_;
  std::condition_variable readersWake_, writerWake_;
  std::vector<State> states_;
  std::vector<std::unique_ptr<extract::UnpackedData>> ready_;
  std::vector<io::fs::FileHandle> folders_;  // made by readers, not yet taken
  size_t foldersHeld_ = 0;                   // of folders_, and being made
  size_t next_ = 0;                          // the first item no one has taken
  size_t writing_ = 0;                       // the item the writer is at
  uint64_t inFlight_ = 0;
  unsigned waitingReaders_ = 0;
  bool stop_ = false;
  std::vector<std::thread> readers_;  // last: joined before the state above goes
};

}  // namespace

unsigned DefaultJobs() { return std::max(1u, std::thread::hardware_concurrency()); }

namespace {

// Folded names, hashed: a name goes on from the hash of its folder, so that
// the file a\b and the folder a\b come out the same. Two names a file
// system may take for one file (case, trailing dots and spaces) give the
// same hash; it errs towards "the same", taking every letter and sign of
// code page 1251 from 0x80 to 0xBF for one, and so does a chance collision.
// Either only keeps folders in order.
uint64_t FoldedHash(uint64_t hash, std::string_view name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.remove_suffix(1);
  hash = (hash ^ '\\') * 0x100000001B3u;
  for (const char c : name) {
    auto u = static_cast<unsigned char>(c);
    if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDF)) u += 0x20;
    if (u >= 0x80 && u < 0xC0) u = 0x80;
    hash = (hash ^ u) * 0x100000001B3u;
  }
  return hash;
}

// Whether the folders of every entry can be made before the entries ahead
// of it are written, leaving the tree one thread writing in order leaves:
// no entry's file may have a name that a folder of another entry has, as any
// file system may compare them. A "~" may be a short alias of another name
// (Windows, FAT), so it keeps the folders in order too.
bool FoldersMayGoAhead(const EntryTable& table, const std::vector<size_t>& work) {
  constexpr uint64_t kStart = 0xCBF29CE484222325u;
  std::unordered_set<uint64_t> folders;
  std::vector<uint64_t> inFolder(work.size(), kStart);  // each entry's folder, hashed
  std::string_view previous;
  for (size_t i = 0; i < work.size(); ++i) {
    const archive::ArchiveEntry& entry = table[work[i]];
    if (entry.Name.find('~') != std::string::npos) return false;
    const std::string_view path = entry.PathLen != 0 ? std::string_view(entry.Path) : "";
    if (i > 0 && path == previous) {  // entries of one folder mostly follow each other
      inFolder[i] = inFolder[i - 1];
      continue;
    }
    previous = path;
    for (const std::string& level : extract::FolderLevels(std::string(path))) {
      if (level.find('~') != std::string::npos) return false;
      inFolder[i] = FoldedHash(inFolder[i], level);
      folders.insert(inFolder[i]);
    }
  }
  for (size_t i = 0; i < work.size(); ++i) {
    if (folders.count(FoldedHash(inFolder[i], table[work[i]].Name)) != 0) return false;
  }
  return true;
}

// Readers for the run when more than one thread is asked for and they can
// be had; none otherwise.
// With an output folder, they make the entries' folders too when that
// leaves the same tree.
std::unique_ptr<ReadAhead> StartReaders(io::fs::FileHandle file, const EntryTable& table,
                                        const std::vector<size_t>& work, io::Stream& archive,
                                        unsigned jobs, const AheadLimits& limits,
                                        const std::string* outputFolder) {
  // A calling thread that writes the files is one of the threads asked for;
  // one that only hands the data on mostly waits for the readers, and is not.
  // More readers than processors would only take turns.
  const size_t threads = std::min<size_t>({jobs, DefaultJobs(), work.size()});
  const uint32_t archiveSize = io::StreamSize(archive);
  const bool callerWorks = outputFolder != nullptr;
  const size_t readers = callerWorks ? threads - 1 : threads;
  if (threads <= 1 || archiveSize == io::kStreamError) return nullptr;
#if defined(__GLIBC__)
  // Read-ahead buffers are made on one thread and freed on another, one or
  // two per entry. Left to itself, glibc would raise its mmap threshold to
  // the largest buffer freed and then keep up to twice that in its heaps, on
  // top of the budget. Fixed thresholds instead: buffers up to 16 MiB come
  // from the heaps, and the heaps keep what is freed for the next entries
  // rather than giving pages back to the system and faulting them in again
  // (20,000 entries: 5,500 page faults where there were 23,000). The heaps
  // only grow as far as the budget has in flight at once, so the peak stays.
  mallopt(M_MMAP_THRESHOLD, 16 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
#endif
  // Readers make folders too where that leaves the same tree: each holds a
  // few open, and at most as many are on their way to the writer.
  const std::string* aheadFolder =
      outputFolder != nullptr && FoldersMayGoAhead(table, work) ? outputFolder : nullptr;
  const size_t folderLimit = std::max<size_t>(2, io::fs::FolderHandleLimit() / 8 / readers);
  // The writer's tree may come to hold this many folders open, besides what
  // the readers hold (an archive each, and those folders), while they run.
  if (callerWorks)
    io::fs::ReserveHandles(io::fs::FolderHandleLimit() + (readers + 1) * folderLimit + readers +
                           16);
  std::vector<uint64_t> costs(work.size());
  for (size_t i = 0; i < work.size(); ++i)
    costs[i] = extract::AheadCost(archive::DataOf(table, work[i]), archiveSize);
  auto ahead = std::make_unique<ReadAhead>(file, table, work, std::move(costs), limits, aheadFolder,
                                           folderLimit);
  if (ahead->Start(static_cast<unsigned>(readers)) == 0) ahead.reset();
  return ahead;
}

}  // namespace

ExtractRun ExtractEntries(io::fs::FileHandle file, EntryTable& table,
                          const std::vector<size_t>& work, const std::string& outputFolder,
                          const ExtractSettings& settings, const std::function<void()>& stepDone,
                          const AheadLimits& limits) {
  ExtractRun run;
  run.Outcomes.resize(work.size());
  run.Skipped.resize(work.size());
  // Writing shortens an entry's path; done here, once, no entry changes while
  // a reader may be looking at it.
  for (const size_t k : work) extract::ShortenPath(table[k]);

  io::StreamPtr archive = io::ReadStreamOnHandle(file, false);
  const std::unique_ptr<ReadAhead> ahead =
      StartReaders(file, table, work, *archive, settings.Jobs, limits, &outputFolder);

  extract::OutputTree tree(outputFolder);
  tree.SetTimes(settings.SetTimes);
  tree.WatchUnfinished(settings.Unfinished);
  for (size_t i = 0; i < work.size(); ++i) {
    io::fs::FileHandle folder = io::fs::kInvalidHandle;
    std::unique_ptr<extract::UnpackedData> data = ahead ? ahead->Take(i, folder) : nullptr;
    archive::ArchiveEntry& entry = table[work[i]];
    if (folder != io::fs::kInvalidHandle) tree.Adopt(extract::RelativeFolder(entry), folder);
    if (settings.SkipExisting &&
        tree.Holds(extract::RelativeFolder(entry), io::Utf8FromCp1251(entry.Name))) {
      run.Skipped[i] = 1;
    } else {
      run.Outcomes[i] = extract::ExtractEntry(*archive, entry, tree, data.get(),
                                              &archive::DataOf(table, work[i]));
    }
    if (data) {
      data.reset();
      ahead->Release(i);
    }
    stepDone();
  }
  return run;
}

void UnpackEntries(io::fs::FileHandle file, const EntryTable& table,
                   const std::vector<size_t>& work, unsigned jobs,
                   const std::function<void(size_t, const extract::UnpackedData*)>& use,
                   const AheadLimits& limits) {
  io::StreamPtr archive = io::ReadStreamOnHandle(file, false);
  const std::unique_ptr<ReadAhead> ahead =
      StartReaders(file, table, work, *archive, jobs, limits, nullptr);
  for (size_t i = 0; i < work.size(); ++i) {
    io::fs::FileHandle folder;  // none: no output folder
    std::unique_ptr<extract::UnpackedData> data = ahead ? ahead->Take(i, folder) : nullptr;
    const bool fromReader = data != nullptr;
    const archive::ArchiveEntry& entry = archive::DataOf(table, work[i]);
    // Sizes that cannot be unpacked are never read, least of all into memory.
    // Deflate makes at most 1032 bytes of one: an entry that claims more
    // than its data can give is damaged, and does not get the memory it claims.
    constexpr uint64_t kMostInflated = 1032, kSlack = 1 << 16;
    extract::ExtractOutcome refusal = extract::DataRefusal(entry);
    if (refusal.Kind == extract::Problem::None && refusal.Compressed &&
        static_cast<uint64_t>(entry.Size) >
            kMostInflated * static_cast<uint64_t>(entry.StoredSize) + kSlack) {
      refusal.Status = extract::ExtractStatus::Damaged;
      refusal.Kind = extract::Problem::DataEndsEarly;
    }
    if (refusal.Kind != extract::Problem::None) {
      data = std::make_unique<extract::UnpackedData>();
      data->Verdict = refusal;
    } else if (!data) {
      try {
        data = std::make_unique<extract::UnpackedData>();
        if (!extract::UnpackAhead(*archive, entry, *data)) data.reset();
      } catch (const std::bad_alloc&) {
        data.reset();
      }
    }
    use(i, data.get());
    data.reset();
    if (fromReader) ahead->Release(i);
  }
}

}  // namespace cli
