// What tarnwick-cli update writes: the gzip member of a replaced compressed
// entry, and the new archive, written beside its target and then put in its
// place, or not at all.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <thread>

#include "io/file_backend.h"

namespace cli {

// Appends a 32-bit number, least significant byte first, as the archive holds it.
void PutLong(std::string& out, uint32_t value);

// A gzip member as the reader takes it: a ten-byte header without optional
// fields, raw deflate data at `level`, CRC-32 and length. None when zlib fails.
std::optional<std::string> GzipMember(const std::string& data, int level);

// The file being written next to the target. Until it is published it is
// removed whatever happens, an interruption included (cli/interruption.h),
// so that a failure leaves nothing behind.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  // A new file named after the target in its folder, under a name no run
  // has used (created exclusively: a leftover of a killed run is passed
  // over, never reused); false with the reason.
  bool Create(const std::string& target, std::string& why);
  bool Write(const void* bytes, uint32_t count);
  bool WriteAt(uint32_t position, const void* bytes, uint32_t count);
  uint32_t End();
  io::fs::FileHandle Handle() const { return handle_; }
  // Makes the content durable, gives the file the mode, owner and group of
  // `like` when given, and puts it in the target's place.
  bool Publish(const std::string& target, const io::fs::FileIdentity* like);
  // What an interruption removes (cli::RemoveOnInterruption).
  io::fs::Unfinished& Unfinished() { return unfinished_; }

 private:
  void Close();

  io::fs::FileHandle handle_ = io::fs::kInvalidHandle;
  std::string name_;
  io::fs::Unfinished unfinished_;
};

// The old archive's bytes, copied into the temporary file on a thread of its
// own while the entries are still being set against their files.
class ArchiveCopy {
 public:
  ArchiveCopy() = default;
  ArchiveCopy(const ArchiveCopy&) = delete;
  ArchiveCopy& operator=(const ArchiveCopy&) = delete;
  // Stops the copy and waits for it; the temporary file goes unless published.
  ~ArchiveCopy();

  // Creates the temporary file next to `target` and starts copying the first
  // `size` bytes of `archive` (open, read through from here on, not owned)
  // into it. Once only; a failure waits for Finish.
  void Start(io::fs::FileHandle archive, uint32_t size, const std::string& target);
  // Waits for the copy: the file holding it, or nullptr with the reason.
  TemporaryFile* Finish(std::string& why);
  TemporaryFile& Temporary() { return temporary_; }

 private:
  void Copy(io::fs::FileHandle archive, uint32_t size);

  TemporaryFile temporary_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  bool started_ = false;
  std::string failure_;  // written by the copying thread before it ends
};

}  // namespace cli
