#include "extract/output_tree.h"

#include <utility>

#include "extract/folder_creation.h"

namespace extract {
namespace {

using io::fs::BelowError;
using io::fs::FileHandle;
using io::fs::kInvalidHandle;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::vector<std::string> FolderLevels(const std::string& folder) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start < folder.size()) {
    size_t end = start;
    while (end < folder.size() && !IsSeparator(folder[end])) ++end;
    std::string part = folder.substr(start, end - start);
    if (!part.empty() && part != ".") parts.push_back(std::move(part));
    start = end + 1;
  }
  return parts;
}

namespace {

// A name the system would read as something other than one entry of the
// folder: the folder itself, the one above, several levels, or (a zero byte
// ends a name at the system call) a shorter name.
bool Unusable(const std::string& part) {
  return part.empty() || part == "." || part == ".." || part.find('\0') != std::string::npos ||
         part.find_first_of("\\/") != std::string::npos;
}

// How the tree knows a folder it holds open: its levels joined with "\".
std::string Key(const std::vector<std::string>& parts) {
  std::string key;
  for (size_t i = 0; i < parts.size(); ++i) key += (i == 0 ? "" : "\\") + parts[i];
  return key;
}

std::string Joined(const std::string& folder, const std::string& name) {
  if (folder.empty() || IsSeparator(folder.back())) return folder + name;
  return folder + '\\' + name;
}

std::string SystemWords(BelowError error) {
  if (error == BelowError::Link) return std::string();
  if (error == BelowError::NotRegular) return "not a regular file";
  return io::fs::LastErrorText();
}

TreeProblem ProblemOf(BelowError error, TreeProblem otherwise) {
  if (error == BelowError::Link) return TreeProblem::LinkInside;
  if (error == BelowError::NameTooLong) return TreeProblem::NameTooLong;
  return otherwise;
}

// A file being written, as the tree's watcher sees it: unfinished until its
// stream goes, which is when ExtractEntry is done with it.
class WatchedFile final : public io::Stream {
 public:
  WatchedFile(io::StreamPtr file, io::fs::Unfinished& watch)
      : file_(std::move(file)), watch_(watch) {}
  ~WatchedFile() override {
    io::fs::EndUnfinished(watch_);  // before the handle it names is closed
    file_.reset();
  }
  uint32_t Seek(int32_t offset, uint8_t origin) override { return file_->Seek(offset, origin); }
  uint32_t GetSize() override { return file_->GetSize(); }
  uint32_t Read(void* buffer, uint32_t count) override { return file_->Read(buffer, count); }
  uint32_t Write(const void* buffer, uint32_t count) override {
    return file_->Write(buffer, count);
  }
  bool SetModifiedTime(uint32_t unixSeconds) override {
    return file_->SetModifiedTime(unixSeconds);
  }

 private:
  io::StreamPtr file_;
  io::fs::Unfinished& watch_;
};

}  // namespace

OutputTree::OutputTree(std::string outputFolder, size_t folderLimit)
    : folder_(std::move(outputFolder)),
      limit_(folderLimit != 0 ? folderLimit : io::fs::FolderHandleLimit()) {}

OutputTree::~OutputTree() { Forget(); }

std::string OutputTree::Where(const std::vector<std::string>& parts, size_t count) const {
  std::string where = folder_;
  for (size_t i = 0; i < count; ++i) where = Joined(where, parts[i]);
  return where;
}

FileHandle OutputTree::Root(bool create, TreeFailure& failure) {
  if (root_ != kInvalidHandle) return root_;
  FolderPathFailure why;
  const bool existed = !create || io::fs::IsExistingDirectory(folder_);
  if (create && !CreateFolderPath(folder_, why)) {
    failure = {TreeProblem::FolderNotCreated, why.Folder, why.SystemError};
    return kInvalidHandle;
  }
  root_ = io::fs::OpenFolder(folder_);
  if (root_ == kInvalidHandle) {
    std::string reason = io::fs::LastErrorText();
    // CreateFolderPath leaves texts as short as "ab" alone.
    if (create && io::fs::MakeDirectory(folder_)) {
      root_ = io::fs::OpenFolder(folder_);
      if (root_ == kInvalidHandle) reason = io::fs::LastErrorText();
    }
    if (root_ == kInvalidHandle) {
      failure = {TreeProblem::FolderNotCreated, folder_, reason};
      return kInvalidHandle;
    }
  }
  rootMade_ = !existed;
  return root_;
}

FileHandle OutputTree::Remember(std::string key, FileHandle handle, bool made) {
  if (open_.size() >= limit_ && !uses_.empty()) {
    const auto oldest = open_.find(uses_.back());
    io::fs::CloseFolder(oldest->second.Handle);
    open_.erase(oldest);
    uses_.pop_back();
  }
  uses_.push_front(key);
  open_[std::move(key)] = {handle, uses_.begin(), made};
  return handle;
}

void OutputTree::Forget() {
  for (const auto& [key, folder] : open_) io::fs::CloseFolder(folder.Handle);
  open_.clear();
  uses_.clear();
  io::fs::CloseFolder(root_);
  root_ = kInvalidHandle;
}

FileHandle OutputTree::Walk(const std::vector<std::string>& parts, bool create,
                            TreeFailure& failure, bool& reused) {
  reused = root_ != kInvalidHandle;
  FileHandle folder = Root(create, failure);
  if (folder == kInvalidHandle) return kInvalidHandle;

  // Start from the deepest level held open already.
  std::string key = Key(parts);
  size_t done = parts.size();
  bool made = rootMade_;
  for (; done > 0; --done) {
    if (auto it = open_.find(key); it != open_.end()) {
      uses_.splice(uses_.begin(), uses_, it->second.Use);
      folder = it->second.Handle;
      made = it->second.Made;
      reused = true;
      break;
    }
    key.resize(done > 1 ? key.size() - parts[done - 1].size() - 1 : 0);
  }

  for (size_t i = done; i < parts.size(); ++i) {
    if (Unusable(parts[i])) {
      failure = {TreeProblem::FolderNotCreated, Where(parts, i + 1), "not a folder name"};
      return kInvalidHandle;
    }
    if (!key.empty()) key += '\\';
    key += parts[i];
    // A folder this tree made holds only what the run made in it: a level
    // missing from open_ below it is made at once rather than looked for
    // first (and opened when another tree of the run made it meanwhile).
    BelowError error = BelowError::Missing;
    FileHandle next = kInvalidHandle;
    if (!(create && made)) next = io::fs::OpenFolderBelow(folder, parts[i], error);
    made = false;
    if (next == kInvalidHandle && error == BelowError::Missing && create) {
      next = io::fs::MakeFolderBelow(folder, parts[i], error);
      made = next != kInvalidHandle;
      if (next == kInvalidHandle && error == BelowError::Exists) {
        next = io::fs::OpenFolderBelow(folder, parts[i], error);
        // Taken, yet nothing there to open: a link that points nowhere.
        if (next == kInvalidHandle && error == BelowError::Missing) error = BelowError::Link;
      }
    }
    if (next == kInvalidHandle) {
      failure = {ProblemOf(error, TreeProblem::FolderNotCreated), Where(parts, i + 1),
                 SystemWords(error)};
      return kInvalidHandle;
    }
    folder = Remember(key, next, made);
  }
  return folder;
}

io::StreamPtr OutputTree::OpenForWriting(const std::string& folder, const std::string& name,
                                         TreeFailure& failure, bool fresh) {
  failure = TreeFailure();
  const std::vector<std::string> parts = FolderLevels(folder);
  if (Unusable(name)) {
    failure = {TreeProblem::FileNotCreated, Joined(Where(parts, parts.size()), name),
               "not a file name"};
    return nullptr;
  }
  for (int attempt = 0;; ++attempt) {
    bool reused = false;
    const FileHandle dir = Walk(parts, true, failure, reused);
    if (dir != kInvalidHandle) {
      BelowError error;
      uint32_t size = 0;
      if (unfinished_ != nullptr) io::fs::BeginUnfinished(*unfinished_, dir, name);
      const FileHandle file = io::fs::CreateFileBelow(dir, name, error, size, fresh);
      if (file != kInvalidHandle) {
        failure = TreeFailure();
        if (unfinished_ == nullptr) return io::WriteStreamOnHandle(file, size);
        io::fs::MadeUnfinished(*unfinished_, file);
        return std::make_unique<WatchedFile>(io::WriteStreamOnHandle(file, size), *unfinished_);
      }
      if (unfinished_ != nullptr) io::fs::EndUnfinished(*unfinished_);
      failure = {ProblemOf(error, TreeProblem::FileNotCreated),
                 Joined(Where(parts, parts.size()), name), SystemWords(error)};
    }
    // A folder held open may have been removed since (nothing keeps anyone
    // from that on POSIX systems): walk once more from the output folder.
    if (!reused || attempt > 0 || failure.Problem == TreeProblem::LinkInside ||
        failure.Problem == TreeProblem::NameTooLong) {
      return nullptr;
    }
    Forget();
  }
}

FileHandle OutputTree::TakeFolder(const std::string& folder, const std::string& name) {
  const std::vector<std::string> parts = FolderLevels(folder);
  TreeFailure failure;
  bool reused = false;
  if (parts.empty() || Unusable(name) || Walk(parts, true, failure, reused) == kInvalidHandle)
    return kInvalidHandle;
  // Walk left the folder the most recently used one.
  const auto taken = open_.find(uses_.front());
  const FileHandle handle = taken->second.Handle;
  open_.erase(taken);
  uses_.pop_front();
  return handle;
}

void OutputTree::Adopt(const std::string& folder, FileHandle handle) {
  const std::vector<std::string> parts = FolderLevels(folder);
  std::string key = Key(parts);
  if (parts.empty() || open_.count(key) != 0) {
    io::fs::CloseFolder(handle);
  } else {
    Remember(std::move(key), handle, false);
  }
}

io::StreamPtr OutputTree::OpenForReading(const std::string& folder, const std::string& name,
                                         TreeFailure& failure) {
  failure = TreeFailure();
  const std::vector<std::string> parts = FolderLevels(folder);
  bool reused = false;
  const FileHandle dir = Unusable(name) ? kInvalidHandle : Walk(parts, false, failure, reused);
  if (dir == kInvalidHandle) {
    if (failure.Problem == TreeProblem::None)
      failure = {TreeProblem::FileNotCreated, Joined(Where(parts, parts.size()), name),
                 "not a file name"};
    return nullptr;
  }
  BelowError error;
  const FileHandle file = io::fs::OpenFileBelow(dir, name, error);
  if (file == kInvalidHandle) {
    failure = {ProblemOf(error, TreeProblem::FileNotCreated),
               Joined(Where(parts, parts.size()), name), SystemWords(error)};
    return nullptr;
  }
  return io::ReadStreamOnHandle(file, true);
}

bool OutputTree::Holds(const std::string& folder, const std::string& name) {
  if (Unusable(name)) return false;
  TreeFailure failure;
  bool reused = false;
  const FileHandle dir = Walk(FolderLevels(folder), false, failure, reused);
  if (dir == kInvalidHandle) return false;
  // Opening it as a folder never follows a link; what stands there, if not a
  // folder, is told by the error.
  BelowError error = BelowError::None;
  const FileHandle found = io::fs::OpenFolderBelow(dir, name, error);
  if (found != kInvalidHandle) {
    io::fs::CloseFolder(found);
    return true;
  }
  return error == BelowError::NotFolder || error == BelowError::Link ||
         error == BelowError::NotRegular || error == BelowError::Exists;
}

bool OutputTree::RemoveFile(const std::string& folder, const std::string& name) {
  if (Unusable(name)) return false;
  TreeFailure failure;
  bool reused = false;
  const FileHandle dir = Walk(FolderLevels(folder), false, failure, reused);
  return dir != kInvalidHandle && io::fs::RemoveFileBelow(dir, name);
}

}  // namespace extract
