#include "cli/create_command.h"

#include <atomic>
#include <climits>
#include <cstdio>
#include <new>
#include <optional>
#include <thread>

#include "archive/directory_writer.h"
#include "cli/command_options.h"
#include "cli/create_plan.h"
#include "cli/extract_jobs.h"
#include "cli/interruption.h"
#include "cli/json_text.h"
#include "cli/loaded_archive.h"
#include "cli/update_folder.h"
#include "cli/update_output.h"
#include "cli/update_plan.h"
#include "extract/output_tree.h"
#include "io/file_backend.h"
#include "io/text_encoding.h"
#include "selection/path_pattern.h"

namespace cli {
namespace {

using archive::ArchiveEntry;
using archive::PathMode;

// Files are read in batches of about this many bytes, compressed side by
// side, then written in order: memory stays bounded whatever the folder holds.
constexpr size_t kBatchBytes = size_t{32} << 20;
// The directory's numbers are read as signed by the game.
constexpr uint64_t kLargest = INT32_MAX;

struct CreateOptions {
  PathMode Mode = PathMode::FromNames;
  int Level = 9;
  std::vector<selection::PathPattern> Store;
  unsigned Jobs = DefaultJobs();
  bool Quiet = false;
  std::string Archive;
  std::string Folder;
};

CommandOptions CreateLine(CreateOptions& o) {
  return {"create",
          "NEW DIR",
          "Makes NEW from the files of DIR, laid out as extract writes them: one entry\n"
          "per file, in the order of the stored names, with the file's time.\n",
          {StoredPathsOption(o.Mode,
                             "DIR's folders become the stored paths (as extract\n"
                             "--stored-paths reads them) instead of dotted names"),
           LevelOption(o.Level, "deflate level 0-9 (default: 9)"),
           {"store", 0, "PATTERN",
            "store the files that match as they are (media that is compressed\n"
            "already); repeatable",
            [&o](const std::string& value) {
              const std::optional<std::string> pattern = io::Cp1251FromUtf8(value);
              if (!pattern) return "--store " + value + " is not in code page 1251";
              o.Store.emplace_back(*pattern, true);
              return std::string();
            }},
           JobsOption(o.Jobs, "compress on N threads (default: one per processor)"),
           QuietOption(o.Quiet, "no summary line")}};
}

std::optional<int> ParseOptions(const std::vector<std::string>& args, CreateOptions& o) {
  const CommandOptions line = CreateLine(o);
  const ParsedLine parsed = ParseCommandLine(line, args);
  if (parsed.Exit) return parsed.Exit;
  if (parsed.Operands.size() != 2) return UsageError(line, "NEW and DIR are needed");
  o.Archive = InternalPath(parsed.Operands[0]);
  o.Folder = InternalPath(parsed.Operands[1]);
  while (o.Folder.size() > 1 && o.Folder.back() == '\\' && o.Folder[o.Folder.size() - 2] != ':')
    o.Folder.pop_back();
  return std::nullopt;
}

// One file on its way into the archive: read, then compressed or not.
struct Packed {
  std::string Data;  // the file, then what goes into the archive
  uint32_t Size = 0;
  bool Compressed = false;
  bool Failed = false;
};

// Compresses the batch on up to `jobs` threads: each takes the next file not
// taken, and every file's bytes are the same whichever thread made them.
void CompressBatch(std::vector<Packed>& batch, int level, unsigned jobs) {
  std::atomic<size_t> next{0};
  const auto work = [&] {
    for (size_t i; (i = next++) < batch.size();) {
      Packed& p = batch[i];
      if (!p.Compressed) continue;
      std::optional<std::string> member;
      try {
        member = GzipMember(p.Data, level);
      } catch (const std::bad_alloc&) {
      }
      p.Failed = !member;
      if (member) p.Data = std::move(*member);
    }
  };
  std::vector<std::thread> helpers;
  for (unsigned t = 1; t < jobs && t < batch.size(); ++t) {
    try {
      helpers.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // fewer threads, the same result
    }
  }
  work();
  for (std::thread& h : helpers) h.join();
}

bool Stored(const CreateOptions& o, const PlannedFile& f) {
  const std::string shown = f.Path + f.Name;
  for (const selection::PathPattern& p : o.Store) {
    if (p.Matches(o.Mode == PathMode::Stored ? shown : f.Relative)) return true;
  }
  return false;
}

int Create(const CreateOptions& o) {
  CreatePlan plan;
  std::string failure;
  if (!PlanArchive(o.Folder, o.Mode, plan, failure)) return NothingWritten(failure);
  for (const std::string& line : plan.Refused)
    std::fprintf(stderr, "tarnwick-cli: refused %s\n", line.c_str());
  if (!plan.Refused.empty())
    return NothingWritten(std::to_string(plan.Refused.size()) + " files cannot go into an archive");

  TemporaryFile temporary;
  if (!temporary.Create(o.Archive, failure))
    return NothingWritten("cannot create " + ShownPath(o.Archive) + ": " + failure);
  // The header is written again once the directory's place is known.
  const std::string header = archive::HeaderBytes(0);
  if (!temporary.Write(header.data(), static_cast<uint32_t>(header.size())))
    return NothingWritten("cannot write: " + io::fs::LastErrorText());

  RemoveOnInterruption(temporary.Unfinished(), "nothing was written");
  extract::OutputTree folder(o.Folder);
  archive::EntryTable records;
  records.reserve(plan.Files.size());
  uint64_t end = header.size();
  size_t compressed = 0;
  for (size_t first = 0; first < plan.Files.size();) {
    std::vector<Packed> batch;
    size_t bytes = 0;
    for (size_t k = first; k < plan.Files.size() && (batch.empty() || bytes < kBatchBytes); ++k) {
      const PlannedFile& f = plan.Files[k];
      // Opened below the folders of DIR, never through a link, whatever the walk saw.
      const size_t slash = f.Relative.find_last_of('\\');
      extract::TreeFailure failed;
      const io::StreamPtr file = folder.OpenForReading(
          slash == std::string::npos ? std::string() : f.Relative.substr(0, slash),
          f.Relative.substr(slash + 1), failed);
      std::string why;
      std::optional<std::string> content = file ? ReadWholeFile(*file, why) : std::nullopt;
      if (!content) {
        return NothingWritten("cannot read " + ShownPath(o.Folder + "\\" + f.Relative) + ": " +
                              (file ? why : Unreadable(failed)));
      }
      bytes += content->size();
      // An empty file goes in compressed: stored, it would be an empty entry,
      // which extract passes over.
      const bool compress = !Stored(o, f) || content->empty();
      batch.push_back({std::move(*content), 0, compress, false});
      batch.back().Size = static_cast<uint32_t>(batch.back().Data.size());
    }
    CompressBatch(batch, o.Level, o.Jobs);
    for (Packed& p : batch) {
      const PlannedFile& f = plan.Files[first++];
      if (p.Failed)
        return NothingWritten("cannot compress " + ShownPath(o.Folder + "\\" + f.Relative));
      if (end + p.Data.size() > kLargest)
        return NothingWritten("the archive would grow beyond 2 GiB - 1 bytes");
      if (!temporary.Write(p.Data.data(), static_cast<uint32_t>(p.Data.size())))
        return NothingWritten("cannot write: " + io::fs::LastErrorText());
      records.push_back({.Offset = static_cast<uint32_t>(end),
                         .StoredSize = static_cast<int32_t>(p.Data.size()),
                         .Size = static_cast<int32_t>(p.Size),
                         .Time = f.Time,
                         .Compression = p.Compressed ? archive::kCompressionDeflated
                                                     : archive::kCompressionStored,
                         .Name = f.Name,
                         .Path = f.Path,
                         .AliasName = ""});
      compressed += p.Compressed;
      end += p.Data.size();
    }
  }

  std::string directory;
  archive::PutLong(directory, static_cast<uint32_t>(records.size()));
  for (const ArchiveEntry& r : records) archive::PutRecord(directory, r);
  if (end + directory.size() > kLargest)
    return NothingWritten("the archive would grow beyond 2 GiB - 1 bytes");
  const std::string pointing = archive::HeaderBytes(static_cast<uint32_t>(end));
  if (!temporary.Write(directory.data(), static_cast<uint32_t>(directory.size())) ||
      !temporary.WriteAt(0, pointing.data(), static_cast<uint32_t>(pointing.size()))) {
    return NothingWritten("cannot write: " + io::fs::LastErrorText());
  }
  if (!temporary.Publish(o.Archive, nullptr))
    return NothingWritten("cannot put " + ShownPath(o.Archive) +
                          " in place: " + io::fs::LastErrorText());
  if (!o.Quiet) {
    std::printf("%zu added (%zu compressed), %llu bytes\n", records.size(), compressed,
                static_cast<unsigned long long>(end + directory.size()));
  }
  return kExitOk;
}

}  // namespace

std::string CreateSynopsis() {
  CreateOptions o;
  return Synopsis(CreateLine(o));
}

int RunCreate(const std::vector<std::string>& args) {
  CreateOptions o;
  if (std::optional<int> status = ParseOptions(args, o)) return *status;
  try {
    return Create(o);
  } catch (const std::bad_alloc&) {
    return NothingWritten("not enough memory");
  }
}

}  // namespace cli
