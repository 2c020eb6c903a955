// File read and write streams over the file backend.
#include "kol/file_backend.h"
#include "kol/stream.h"

namespace kol {
namespace {

class FileStream : public Stream {
 public:
  explicit FileStream(fs::FileHandle handle) : handle_(handle) {}
  ~FileStream() override { fs::CloseFile(handle_); }

  uint32_t Seek(int32_t offset, uint8_t origin) override {
    return fs::SetFilePointer(handle_, offset, origin);
  }
  uint32_t GetSize() override { return fs::GetFileSize(handle_); }
  bool IsOpen() const override { return handle_ != fs::kInvalidHandle; }

 protected:
  fs::FileHandle handle_;
};

class FileReadStream final : public FileStream {
 public:
  using FileStream::FileStream;
  uint32_t Read(void* buffer, uint32_t count) override { return fs::ReadFile(handle_, buffer, count); }
  // Nobody writes the file while it is open for reading here (Windows shares
  // it for reading only), so its size is asked for once.
  uint32_t GetSize() override {
    if (size_ == kStreamError) size_ = FileStream::GetSize();
    return size_;
  }

 private:
  uint32_t size_ = kStreamError;
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
    if (position_ < end_ || end_ == kStreamError || position_ == kStreamError) fs::SetEndOfFile(handle_);
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

StreamPtr WriteStreamOnHandle(fs::FileHandle file, uint32_t size) {
  return std::make_unique<FileWriteStream>(file, size);
}

StreamPtr CreateWriteStream(const std::string& fileName) {
  return std::make_unique<FileWriteStream>(fs::OpenFile(fileName, fs::kWriteStreamFlags));
}

}  // namespace kol
