// Writing one archive entry to a file under the output folder.
#pragma once

#include <cstdint>
#include <string>

#include "archive/archive_entry.h"
#include "extract/extract_outcome.h"
#include "extract/output_tree.h"
#include "io/stream.h"

namespace extract {

// An entry's content read, and inflated, before its file is opened, so that
// other threads can do that work while one thread writes the files in
// directory order. Bytes are exactly what the file is to hold; Verdict is
// what reading found (Written, or Damaged with its problem).
struct UnpackedData {
  io::StreamPtr Bytes;  // a memory stream
  ExtractOutcome Verdict;
};

// Bytes of memory UnpackAhead takes for the entry: the compressed data staged
// and the unpacked data, as far as the archive (of archiveSize bytes) holds
// them. 0 for an entry that writes no data.
uint64_t AheadCost(const archive::ArchiveEntry& entry, uint32_t archiveSize);

// What ExtractEntry refuses for an alias that stands for nothing, or for the
// entry's sizes or compression code, before it reads anything (NotWritten with the problem);
// Problem::None when the entry's data is read.
ExtractOutcome DataRefusal(const archive::ArchiveEntry& entry);

// Reads (and inflates) the entry's data from `archive` into `data` exactly as
// ExtractEntry would write it. False when memory ran out; ExtractEntry then
// reads the entry itself. Does not change the entry. Several threads may call
// it at once, each with an archive stream of its own.
bool UnpackAhead(io::Stream& archive, const archive::ArchiveEntry& entry, UnpackedData& data);

// Writes `entry` from `archive` (open for reading) to the file Path\Name under
// the tree's output folder, creating the folders it needs and replacing an
// existing file by a new one (its other names keep their content). Stored entries (code 1) are
// copied, compressed ones (code 3) inflated to Size bytes; for any other code the file is created
// empty or an existing one left as it is. Leading backslashes of the entry's Path, and then a colon
// in its second place, are removed in the entry itself, for good.
//
// The output folder is UTF-8; the entry's name and path are code page 1251.
// Nothing is created outside the output folder: a path with a ".." component
// or a name that cannot be a file is refused, and so is a symbolic link or
// other reparse point met beneath it.
//
// `ahead`, when given, holds the entry's data as UnpackAhead read it; the
// archive is then not read. `data`, when given, is the record whose data the
// entry yields (an alias's target, archive::DataOf); the entry only says where
// the file goes. An alias that stands for nothing is refused. When the tree
// sets times, the file gets the data record's time (none for a time of 0).
ExtractOutcome ExtractEntry(io::Stream& archive, archive::ArchiveEntry& entry, OutputTree& tree,
                            const UnpackedData* ahead = nullptr,
                            const archive::ArchiveEntry* data = nullptr);

// Makes in `tree` the folders that ExtractEntry(archive, entry, tree, ...,
// &source) would make for the entry, and hands the handle of the entry's
// folder out of the tree (OutputTree::TakeFolder). Nothing is made, and
// kInvalidHandle comes back, when ExtractEntry would refuse the entry first;
// kInvalidHandle also for an entry of the output folder itself and on any
// failure, which is left for ExtractEntry to meet and report. The entry's
// Path is shortened already (ShortenPath). For threads that make folders
// ahead of the one that writes the files.
io::fs::FileHandle OpenFolderAhead(const archive::ArchiveEntry& entry,
                                   const archive::ArchiveEntry& source, OutputTree& tree);

// The folder ExtractEntry puts the entry's file in, relative to the output
// folder: the entry's Path in UTF-8, "" for none.
std::string RelativeFolder(const archive::ArchiveEntry& entry);

// The same for one entry on its own, in a tree of its own.
ExtractOutcome ExtractEntry(io::Stream& archive, archive::ArchiveEntry& entry,
                            const std::string& outputFolder);

// The folder the entry goes into: outputFolder + "\" + Path, ending in "\".
// The entry's Path is taken as it is: ExtractEntry shortens it first, so a
// caller that wants ExtractEntry's folder calls ShortenPath before this.
std::string ComposeFolder(const archive::ArchiveEntry& entry, const std::string& outputFolder);

// Shortens the entry's Path in place as ExtractEntry does: leading
// backslashes go, then a drive colon.
void ShortenPath(archive::ArchiveEntry& entry);

// Why the entry cannot be written under an output folder without leaving it:
// Problem::None when it can. Looks at the path as it will be used (already
// shortened) and at the name; `detail` receives the offending part when given.
Problem ConfinementProblem(const std::string& path, const std::string& name,
                           std::string* detail = nullptr);

}  // namespace extract
