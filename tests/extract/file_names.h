// File names as the extraction composes them ("\" separated, UTF-8), for
// looking at the results from the tests.
#pragma once

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "io/stream.h"

namespace testextract {

// The name in the system's own form.
inline std::filesystem::path FsPath(std::string name) {
#ifndef _WIN32
  std::replace(name.begin(), name.end(), '\\', '/');
#endif
  return std::filesystem::path(std::u8string(name.begin(), name.end()));
}

// The file's modification time in whole seconds since 1970, as archives keep times.
inline std::chrono::seconds FileTime(const std::string& name) {
  const auto time = std::chrono::file_clock::to_sys(std::filesystem::last_write_time(FsPath(name)));
  return std::chrono::floor<std::chrono::seconds>(time.time_since_epoch());
}

// Through the program's own file stream, so that non-ASCII names open on
// Windows as well.
inline std::optional<std::string> ReadBack(const std::string& name) {
  io::StreamPtr s = io::OpenReadStream(name);
  if (!s->IsOpen()) return std::nullopt;
  std::string bytes(io::StreamSize(*s), '\0');
  bytes.resize(io::StreamRead(*s, bytes.data(), static_cast<uint32_t>(bytes.size())));
  return bytes;
}

}  // namespace testextract
