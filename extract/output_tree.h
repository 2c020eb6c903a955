// The output folder of one unpacking run and everything created beneath it,
// walked with open folder handles so that no link inside it is ever followed.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <vector>

#include "io/file_backend.h"
#include "io/stream.h"

namespace extract {

enum class TreeProblem {
  None,
  // A folder or the file on the way is a symbolic link, junction or other
  // reparse point.
  LinkInside,
  // A folder level could not be created or opened (also: a file stands where
  // a folder must be).
  FolderNotCreated,
  // The file could not be created or opened (also: it is not a regular file,
  // e.g. a FIFO).
  FileNotCreated,
  // A folder or file name is longer than the file system takes.
  NameTooLong,
};

struct TreeFailure {
  TreeProblem Problem = TreeProblem::None;
  std::string Where;  // UTF-8, "\" separated: outputFolder + "\" + the folder or file concerned
  std::string SystemError;  // the system's words; empty for LinkInside
};

// The levels of a relative folder, as the tree walks them. Runs of
// separators and "." add nothing; "\" and "/" both separate, as Windows reads
// them, so that no "/" reaches a system call that would walk several levels
// at once, links and all.
std::vector<std::string> FolderLevels(const std::string& folder);

// The chosen output folder, and everything created beneath it. The folder
// itself (and any link on the way to it) is followed: the user chose it.
// Beneath it nothing is created, opened or written through a symbolic link,
// junction or other reparse point: every level is opened from the handle of
// the level above, so nothing can be swapped in between looking and opening.
// One tree per unpacking run, used from one thread. It keeps a bounded number
// of folders open, so that entries sharing a folder do not walk again.
class OutputTree {
 public:
  // UTF-8, "\" or "/" separated; nothing is touched yet. At most
  // `folderLimit` folders are held open (0: io::fs::FolderHandleLimit()).
  explicit OutputTree(std::string outputFolder, size_t folderLimit = 0);
  ~OutputTree();
  OutputTree(const OutputTree&) = delete;
  OutputTree& operator=(const OutputTree&) = delete;

  const std::string& Folder() const { return folder_; }

  // Whether the files written get their entries' times (off: the system's
  // time of writing stays).
  bool SetsTimes() const { return setsTimes_; }
  void SetTimes(bool on) { setsTimes_ = on; }

  // Keeps `file` (io::fs::Unfinished) up to date with the file being written
  // from now on, from before it is made until its stream goes, so that an
  // interrupted run can remove it.
  void WatchUnfinished(io::fs::Unfinished* file) { unfinished_ = file; }

  // Opens folder\name for writing, creating the output folder (with its
  // missing levels, as CreateFolderPath does) and then the missing levels of
  // `folder` beneath it. `folder` is relative, UTF-8, "\" (or "/") separated,
  // may be empty, may hold runs of separators and "." components (skipped);
  // `name` is one component. The file is created when missing, opened from
  // its start when present (as io::CreateWriteStream: every write ends the
  // file right behind the bytes written; a file to which nothing is written
  // keeps its old content). With `fresh` a file already there is removed and
  // a new one made, so that its other names keep what they hold. Returns
  // null and fills `failure` when refused or failed; a ".." component is
  // refused, never followed.
  io::StreamPtr OpenForWriting(const std::string& folder, const std::string& name,
                               TreeFailure& failure, bool fresh = false);

  // Makes the folders OpenForWriting(folder, name, ...) would make, and no
  // file, and hands the handle of `folder` over: the tree forgets it, and the
  // caller closes it or gives it to another tree of the same output folder
  // (Adopt). kInvalidHandle when `folder` is the output folder itself, or
  // where OpenForWriting would fail (nothing said).
  io::fs::FileHandle TakeFolder(const std::string& folder, const std::string& name);

  // Holds `handle`, the folder `folder` of this output folder opened by
  // another tree (TakeFolder), as if this tree had opened it; closes it when
  // this tree holds that folder already.
  void Adopt(const std::string& folder, io::fs::FileHandle handle);

  // The file folder\name for reading, below folders opened as for writing
  // (nothing created, no link followed) and checked to be a regular file on
  // the handle; null with `failure` (FileNotCreated: it cannot be opened).
  io::StreamPtr OpenForReading(const std::string& folder, const std::string& name,
                               TreeFailure& failure);

  // Whether anything (a file, a folder, a link) stands at folder\name
  // already, looked at without following a link and without creating
  // anything. False also when the way there cannot be walked: opening the
  // file for writing then says why.
  bool Holds(const std::string& folder, const std::string& name);

  // Removes folder\name (an incomplete file) without following links and
  // without creating anything; true when removed.
  bool RemoveFile(const std::string& folder, const std::string& name);

 private:
  struct OpenFolder {
    io::fs::FileHandle Handle;
    std::list<std::string>::iterator Use;  // its place in uses_
    bool Made;                             // made by this run: it holds only what the run made
  };

  io::fs::FileHandle Root(bool create, TreeFailure& failure);
  io::fs::FileHandle Walk(const std::vector<std::string>& parts, bool create, TreeFailure& failure,
                          bool& reused);
  io::fs::FileHandle Remember(std::string key, io::fs::FileHandle handle, bool made);
  void Forget();
  std::string Where(const std::vector<std::string>& parts, size_t count) const;

  std::string folder_;
  io::fs::FileHandle root_ = io::fs::kInvalidHandle;
  bool rootMade_ = false;  // the output folder did not exist before the run
  // Folders beneath the output folder held open, by their components joined
  // with "\"; at most limit_ of them, the least recently used going first.
  // uses_ holds their keys, the most recently used first, so that finding
  // the one to close costs the same however many are held.
  std::unordered_map<std::string, OpenFolder> open_;
  std::list<std::string> uses_;
  size_t limit_;
  bool setsTimes_ = false;
  io::fs::Unfinished* unfinished_ = nullptr;
};

}  // namespace extract
