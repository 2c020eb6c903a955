// What tarnwick-cli update writes: the gzip member of a replaced compressed
// entry, and the new archive, written beside its target and then put in its
// place, or not at all.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "kol/file_backend.h"

namespace cli {

// Appends a 32-bit number, least significant byte first, as the archive holds it.
void PutLong(std::string& out, uint32_t value);

// A gzip member as the reader takes it: a ten-byte header without optional
// fields, raw deflate data at `level`, CRC-32 and length. None when zlib fails.
std::optional<std::string> GzipMember(const std::string& data, int level);

// The file being written next to the target. Until it is published it is
// removed whatever happens, so that a failure leaves nothing behind.
class TemporaryFile {
 public:
  TemporaryFile() = default;
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile();

  // A new file named after the target in its folder; false with the reason.
  bool Create(const std::string& target, std::string& why);
  bool Write(const void* bytes, uint32_t count);
  bool WriteAt(uint32_t position, const void* bytes, uint32_t count);
  uint32_t End();
  // Makes the content durable and puts the file in the target's place.
  bool Publish(const std::string& target);

 private:
  void Close();

  kol::fs::FileHandle handle_ = kol::fs::kInvalidHandle;
  std::string name_;
};

}  // namespace cli
