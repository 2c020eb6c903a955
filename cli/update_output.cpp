#include "cli/update_output.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <random>

#include "cli/json_text.h"
#include "io/stream.h"

namespace cli {

void PutLong(std::string& out, uint32_t value) {
  for (int k = 0; k < 4; ++k) out += static_cast<char>((value >> (8 * k)) & 0xFF);
}

std::optional<std::string> GzipMember(const std::string& data, int level) {
  z_stream z{};
  if (deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    return std::nullopt;
  const uLong bound = deflateBound(&z, static_cast<uLong>(data.size()));
  // The extra-flags byte says which end of the levels made the data; OS 0 as DOS tools write it.
  const char extraFlags = level == 9 ? 2 : level == 1 ? 4 : 0;
  std::string out = {'\x1f', '\x8b', '\x08', 0, 0, 0, 0, 0, extraFlags, 0};
  const size_t headerSize = out.size();
  try {
    out.resize(headerSize + bound);
  } catch (const std::bad_alloc&) {
    deflateEnd(&z);
    throw;
  }
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data() + headerSize);
  z.avail_out = static_cast<uInt>(bound);
  const int status = deflate(&z, Z_FINISH);
  const size_t produced = bound - z.avail_out;
  deflateEnd(&z);
  if (status != Z_STREAM_END) return std::nullopt;
  out.resize(headerSize + produced);
  PutLong(out, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()),
                                           static_cast<uInt>(data.size()))));
  PutLong(out, static_cast<uint32_t>(data.size()));
  return out;
}

TemporaryFile::~TemporaryFile() {
  if (!name_.empty()) io::fs::EndUnfinished(unfinished_);
  Close();
  if (!name_.empty()) io::fs::RemoveFile(name_);
}

bool TemporaryFile::Create(const std::string& target, std::string& why) {
  constexpr uint32_t kFlags = io::fs::kAccessWrite | io::fs::kAccessDelete |
                              io::fs::DispositionFlags(io::fs::Disposition::CreateNew);
  // Random names, so that two runs never meet and no number of leftovers
  // of killed runs uses them up; a name that is taken is passed over.
  std::random_device seed;
  std::mt19937_64 random((uint64_t{seed()} << 32) ^ seed());
  for (int attempt = 0; attempt < 16; ++attempt) {
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".update-%012llx.tmp",
                  static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
    const std::string name = target + suffix;
    io::fs::BeginUnfinished(unfinished_, io::fs::kInvalidHandle, name);
    handle_ = io::fs::OpenFile(name, kFlags, &why);
    if (handle_ != io::fs::kInvalidHandle) {
      io::fs::MadeUnfinished(unfinished_, handle_);
      name_ = name;
      return true;
    }
    io::fs::EndUnfinished(unfinished_);
    io::fs::FileIdentity taken;
    if (!io::fs::IdentifyName(name, taken)) return false;
  }
  return false;
}

bool TemporaryFile::Write(const void* bytes, uint32_t count) {
  return io::fs::WriteFile(handle_, bytes, count) == count;
}

bool TemporaryFile::WriteAt(uint32_t position, const void* bytes, uint32_t count) {
  return io::fs::SetFilePointer(handle_, static_cast<int32_t>(position), io::kFromBeginning) ==
             position &&
         Write(bytes, count);
}

uint32_t TemporaryFile::End() { return io::fs::SetFilePointer(handle_, 0, io::kFromEnd); }

bool TemporaryFile::Publish(const std::string& target, const io::fs::FileIdentity* like) {
  if (like != nullptr) io::fs::TakeOwnership(handle_, *like);
  if (!io::fs::FlushFile(handle_)) return false;
  // Not removed by an interruption from here on: closed, it is either still
  // the temporary file, which the destructor removes, or the archive.
  io::fs::EndUnfinished(unfinished_);
  Close();
  if (!io::fs::RenameReplacing(name_, target)) return false;
  name_.clear();
  return true;
}

ArchiveCopy::~ArchiveCopy() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void ArchiveCopy::Start(io::fs::FileHandle archive, uint32_t size, const std::string& target) {
  if (started_) return;
  started_ = true;
  std::string why;
  if (size == io::kStreamError) {
    failure_ = "cannot read the archive: " + io::fs::LastErrorText();
  } else if (!temporary_.Create(target, why)) {
    failure_ = "cannot create a file next to " + ShownPath(target) + ": " + why;
  } else {
    thread_ = std::thread([this, archive, size] { Copy(archive, size); });
  }
}

TemporaryFile* ArchiveCopy::Finish(std::string& why) {
  if (thread_.joinable()) thread_.join();
  why = failure_;
  return started_ && failure_.empty() ? &temporary_ : nullptr;
}

void ArchiveCopy::Copy(io::fs::FileHandle from, uint32_t size) {
  // In steps, so that a plan that fails stops it soon.
  constexpr uint32_t kStep = 8u << 20;
  uint32_t done = 0;
  while (done < size && !stop_) {
    const uint32_t copied =
        io::fs::CopyInsideSystem(from, done, temporary_.Handle(), std::min(size - done, kStep));
    if (copied == 0) break;
    done += copied;
  }
  // What the system did not copy by itself goes through memory.
  try {
    std::string block(std::min<uint32_t>(size - done, 1u << 20), '\0');
    while (done < size && !stop_) {
      const uint32_t count = std::min(size - done, static_cast<uint32_t>(block.size()));
      if (io::fs::ReadFileAt(from, block.data(), count, done) != count) {
        failure_ = "cannot read the archive: " + io::fs::LastErrorText();
        break;
      }
      if (!temporary_.Write(block.data(), count)) {
        failure_ = "cannot write: " + io::fs::LastErrorText();
        break;
      }
      done += count;
    }
  } catch (const std::bad_alloc&) {
    failure_ = "not enough memory";
  }
}

void TemporaryFile::Close() {
  if (handle_ != io::fs::kInvalidHandle) io::fs::CloseFile(handle_);
  handle_ = io::fs::kInvalidHandle;
}

}  // namespace cli
