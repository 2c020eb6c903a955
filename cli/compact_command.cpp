#include "cli/compact_command.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <new>
#include <optional>

#include "archive/directory_reader.h"
#include "archive/directory_writer.h"
#include "cli/command_options.h"
#include "cli/interruption.h"
#include "cli/json_text.h"
#include "cli/loaded_archive.h"
#include "cli/update_archive.h"
#include "cli/update_output.h"
#include "cli/update_plan.h"
#include "io/file_backend.h"
#include "io/stream.h"

namespace cli {
namespace {

using archive::ArchiveEntry;

struct CompactOptions {
  std::string Archive;
  std::optional<std::string> Output;
  bool Quiet = false;
};

CommandOptions CompactLine(CompactOptions& o) {
  return {"compact",
          "ARCHIVE",
          "Rewrites ARCHIVE with only the data its records point to: the records keep\n"
          "their order and every other byte, every entry unpacks to the same bytes.\n",
          {{"output", 'o', "NEW", "write the result to NEW instead of replacing ARCHIVE",
            [&o](const std::string& value) {
              o.Output = InternalPath(value);
              return std::string();
            }},
           QuietOption(o.Quiet, "no summary line")}};
}

std::optional<int> ParseOptions(const std::vector<std::string>& args, CompactOptions& o) {
  const CommandOptions line = CompactLine(o);
  const ParsedLine parsed = ParseCommandLine(line, args);
  if (parsed.Exit) return parsed.Exit;
  if (parsed.Operands.size() != 1) return UsageError(line, "one ARCHIVE is needed");
  o.Archive = parsed.Operands[0];
  return std::nullopt;
}

// The bytes of `count` at `offset` of the open archive, appended to `out`.
bool CopyRange(io::fs::FileHandle from, uint32_t offset, uint32_t count, TemporaryFile& out) {
  std::string block(std::min<uint32_t>(count, 1u << 20), '\0');
  for (uint32_t done = 0; done < count;) {
    const uint32_t part = std::min(count - done, static_cast<uint32_t>(block.size()));
    if (io::fs::ReadFileAt(from, block.data(), part, uint64_t{offset} + done) != part ||
        !out.Write(block.data(), part)) {
      return false;
    }
    done += part;
  }
  return true;
}

int Compact(const CompactOptions& o) {
  std::string why;
  // Held and locked as update holds it: no update runs meanwhile, and the
  // result takes the archive's place only while it is still the file read.
  HeldArchive held;
  if (std::optional<int> status = held.Hold(o.Archive, !o.Output)) return *status;
  io::StreamPtr stream = io::ReadStreamOnHandle(held.Handle(), false);
  archive::EntryTable table;
  std::vector<uint32_t> records;
  const archive::DirectoryReadResult directory = archive::ReadDirectory(*stream, table, &records);
  const uint32_t size = io::StreamSize(*stream);
  // The directory's own bytes, records and all, are kept; only the offsets change.
  const uint32_t directoryEnd = io::StreamPosition(*stream);
  bool inside = size != io::kStreamError;
  for (const ArchiveEntry& e : table) {
    inside = inside && e.StoredSize >= 0 &&
             (e.StoredSize == 0 || uint64_t{e.Offset} + uint32_t(e.StoredSize) <= size);
  }
  if (directory.OutOfMemory) return NothingWritten("not enough memory to read the directory");
  if (!directory.Complete || !inside) {
    std::fprintf(stderr, "tarnwick-cli: %s is damaged: %s; not compacted\n", o.Archive.c_str(),
                 !directory.Complete ? "its directory ends early or cannot be read"
                                     : "an entry's data lies beyond its end");
    return kExitUsage;
  }
  std::string dir(directoryEnd - directory.DirectoryOffset, '\0');
  io::StreamSeek(*stream, static_cast<int32_t>(directory.DirectoryOffset), io::kFromBeginning);
  if (io::StreamRead(*stream, dir.data(), static_cast<uint32_t>(dir.size())) != dir.size())
    return NothingWritten("cannot read the directory: " + io::fs::LastErrorText());
  stream.reset();
  const io::fs::FileHandle from = held.Handle();

  // The directory stays where it was: behind the header, or behind the data.
  const bool atEnd = directory.DirectoryOffset != archive::kHeaderSize;
  const std::string target = o.Output.value_or(held.Target());
  TemporaryFile temporary;
  RemoveOnInterruption(temporary.Unfinished(), "nothing was written");
  if (!temporary.Create(target, why))
    return NothingWritten("cannot create a file next to " + ShownPath(target) + ": " + why);
  const std::string header = archive::HeaderBytes(archive::kHeaderSize);
  if (!temporary.Write(header.data(), archive::kHeaderSize) ||
      (!atEnd && !temporary.Write(dir.data(), static_cast<uint32_t>(dir.size())))) {
    return NothingWritten("cannot write: " + io::fs::LastErrorText());
  }
  // Each stretch of data once, however many records share it, in the order
  // the records first name it.
  std::map<std::pair<uint32_t, int32_t>, uint32_t> placed;
  uint32_t end = archive::kHeaderSize + (atEnd ? 0 : static_cast<uint32_t>(dir.size()));
  for (size_t k = 0; k < table.size(); ++k) {
    const ArchiveEntry& e = table[k];
    if (e.StoredSize == 0) continue;
    const auto [at, added] = placed.try_emplace({e.Offset, e.StoredSize}, end);
    if (added) {
      if (!CopyRange(from, e.Offset, static_cast<uint32_t>(e.StoredSize), temporary))
        return NothingWritten("cannot copy the data of entry " + std::to_string(k + 1) + ": " +
                              io::fs::LastErrorText());
      end += static_cast<uint32_t>(e.StoredSize);
    }
    std::string offset;
    archive::PutLong(offset, at->second);
    dir.replace(records[k] - directory.DirectoryOffset, 4, offset);
  }
  std::string pointing = archive::HeaderBytes(atEnd ? end : archive::kHeaderSize);
  if ((atEnd && !temporary.Write(dir.data(), static_cast<uint32_t>(dir.size()))) ||
      !temporary.WriteAt(0, pointing.data(), archive::kHeaderSize) ||
      (!atEnd &&
       !temporary.WriteAt(archive::kHeaderSize, dir.data(), static_cast<uint32_t>(dir.size())))) {
    return NothingWritten("cannot write: " + io::fs::LastErrorText());
  }
  const uint32_t written = end + (atEnd ? static_cast<uint32_t>(dir.size()) : 0);
  if (!held.Unchanged(why)) return NothingWritten(why);
  held.Close();
  if (!temporary.Publish(target, o.Output ? nullptr : &held.Identity()))
    return NothingWritten("cannot put " + ShownPath(target) +
                          " in place: " + io::fs::LastErrorText());
  if (!o.Quiet) std::printf("%u bytes reclaimed, %u bytes left\n", size - written, written);
  return kExitOk;
}

}  // namespace

std::string CompactSynopsis() {
  CompactOptions o;
  return Synopsis(CompactLine(o));
}

int RunCompact(const std::vector<std::string>& args) {
  CompactOptions o;
  if (std::optional<int> status = ParseOptions(args, o)) return *status;
  try {
    return Compact(o);
  } catch (const std::bad_alloc&) {
    return NothingWritten("not enough memory");
  }
}

}  // namespace cli
