#include "extract/decompression_stream.h"

namespace extract {

DecompressionStream::DecompressionStream(io::Stream& source)
    : source_(source), sourcePosition_(io::StreamPosition(source)) {}

DecompressionStream::~DecompressionStream() {
  if (initialised_) inflateEnd(&zlib_);
}

bool DecompressionStream::Init() {
  zlib_.next_in = input_.data();
  zlib_.avail_in = 0;
  if (inflateInit(&zlib_) != Z_OK) return false;
  initialised_ = true;
  return inflateValidate(&zlib_, 0) == Z_OK;
}

void DecompressionStream::NoteError(int code) {
  if (!error_.empty()) return;
  if (zlib_.msg != nullptr) {
    error_ = zlib_.msg;
  } else if (code == Z_NEED_DICT) {
    error_ = "data needs a preset dictionary";
  } else {
    error_ = "zlib error " + std::to_string(code);
  }
}

uint32_t DecompressionStream::Read(void* buffer, uint32_t count) {
  zlib_.next_out = static_cast<Bytef*>(buffer);
  zlib_.avail_out = count;
  // Someone else may have moved the source between two reads.
  if (io::StreamPosition(source_) != sourcePosition_) {
    io::StreamSeek(source_, static_cast<int32_t>(sourcePosition_), io::kFromBeginning);
  }
  // Past the end of the data there is nothing more to produce; zlib would
  // only report the end again.
  while (zlib_.avail_out > 0 && !ended_) {
    bool sourceEmpty = false;
    if (zlib_.avail_in == 0) {
      const uint32_t got = io::StreamRead(source_, input_.data(), kInputBufferSize);
      sourceEmpty = got == 0 || got == io::kStreamError;
      zlib_.next_in = input_.data();
      zlib_.avail_in = sourceEmpty ? 0 : got;
      if (!sourceEmpty) sourcePosition_ = io::StreamPosition(source_);
    }
    // Once the source is used up zlib may still hold output it could not
    // deliver for want of room (the rest of a long match, say): give it the
    // chance, and stop only when it makes no progress.
    const uLong before = zlib_.total_out;
    const int rc = inflate(&zlib_, Z_NO_FLUSH);
    if (sourceEmpty && (rc == Z_BUF_ERROR || zlib_.total_out == before)) break;
    if (rc == Z_STREAM_END) {
      ended_ = true;
    } else if (rc < 0 || rc == Z_NEED_DICT) {
      // A dictionary is never supplied, and asking again would not move
      // zlib on: treat it as the error it is here.
      NoteError(rc);
      return io::kStreamError;
    }
  }
  return count - zlib_.avail_out;
}

std::unique_ptr<DecompressionStream> CreateDecompressionStream(io::Stream& source) {
  auto stream = std::make_unique<DecompressionStream>(source);
  if (!stream->Init()) return nullptr;
  return stream;
}

}  // namespace extract
