// File read and write streams over the file backend.
#include "io/file_backend.h"
#include "io/stream.h"

namespace io {
namespace {

class FileStream : public Stream {
 public:
  explicit FileStream(fs::FileHandle handle, bool owns = true) : handle_(handle), owns_(owns) {}
  ~FileStream() override {
    if (owns_) fs::CloseFile(handle_);
  }

  uint32_t Seek(int32_t offset, uint8_t origin) override {
    return fs::SetFilePointer(handle_, offset, origin);
  }
  uint32_t GetSize() override { return fs::GetFileSize(handle_); }
  bool IsOpen() const override { return handle_ != fs::kInvalidHandle; }
  bool SetModifiedTime(uint32_t unixSeconds) override {
    return fs::SetModifiedTime(handle_, unixSeconds);
  }

 protected:
  fs::FileHandle handle_;
  bool owns_;
};

// Keeps its own position and reads at it: moving costs no call to the
// system, and an entry's data is had in one call.
class FileReadStream final : public FileStream {
 public:
  using FileStream::FileStream;
  uint32_t Read(void* buffer, uint32_t count) override {
    const uint32_t read = fs::ReadFileAt(handle_, buffer, count, position_);
    position_ += read;
    return read;
  }
  // As the system moves a file's position: never before the start, and a
  // position past 32 bits is a failure that leaves it where it was.
  uint32_t Seek(int32_t offset, uint8_t origin) override {
    if (handle_ == fs::kInvalidHandle) return kStreamError;
    if (origin != kFromBeginning && origin != kFromCurrent && origin != kFromEnd)
      return kStreamError;
    int64_t base = 0;
    if (origin == kFromCurrent) base = static_cast<int64_t>(position_);
    if (origin == kFromEnd) {
      if (GetSize() == kStreamError) return kStreamError;
      base = GetSize();
    }
    const int64_t target = base + offset;
    if (target < 0 || target >= static_cast<int64_t>(kStreamError)) return kStreamError;
    position_ = static_cast<uint64_t>(target);
    return static_cast<uint32_t>(target);
  }
  // Nobody writes the file while it is open for reading here (Windows shares
  // it for reading only, update holds its archive locked), so its size is
  // asked for once.
  uint32_t GetSize() override {
    if (size_ == kStreamError) size_ = FileStream::GetSize();
    return size_;
  }

 private:
  uint32_t size_ = kStreamError;
  uint64_t position_ = 0;
  uint32_t Write(const void*, uint32_t) override { return kStreamError; }
};

class FileWriteStream final : public FileStream {
 public:
  explicit FileWriteStream(fs::FileHandle handle)
      : FileWriteStream(handle, fs::GetFileSize(handle)) {}
  FileWriteStream(fs::FileHandle handle, uint32_t size) : FileStream(handle), end_(size) {}

  uint32_t Read(void*, uint32_t) override { return kStreamError; }
  uint32_t Seek(int32_t offset, uint8_t origin) override {
    const uint32_t result = FileStream::Seek(offset, origin);
    position_ = result != kStreamError ? result : fs::SetFilePointer(handle_, 0, kFromCurrent);
    return result;
  }
  // The file ends right behind every write, so rewriting a longer file
  // leaves no stale tail behind. The system is asked to cut the file only
  // when something lies behind the write: a new file, or one written past
  // its old end, already ends there.
  uint32_t Write(const void* buffer, uint32_t count) override {
    const uint32_t written = fs::WriteFile(handle_, buffer, count);
    position_ += written;
    if (position_ < end_ || end_ == kStreamError || position_ == kStreamError)
      fs::SetEndOfFile(handle_);
    end_ = position_;
    return written;
  }

 private:
  uint32_t end_;           // where the file ends, kStreamError when not known
  uint32_t position_ = 0;  // opened at the start
};

}  // namespace

StreamPtr OpenReadStream(const std::string& fileName, std::string* whyNot) {
  return std::make_unique<FileReadStream>(fs::OpenFile(fileName, fs::kReadStreamFlags, whyNot));
}

StreamPtr ReadStreamOnHandle(fs::FileHandle file, bool owns) {
  return std::make_unique<FileReadStream>(file, owns);
}

StreamPtr WriteStreamOnHandle(fs::FileHandle file, uint32_t size) {
  return std::make_unique<FileWriteStream>(file, size);
}

StreamPtr CreateWriteStream(const std::string& fileName) {
  return std::make_unique<FileWriteStream>(fs::OpenFile(fileName, fs::kWriteStreamFlags));
}

}  // namespace io
