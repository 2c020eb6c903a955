#include "tests/support/temp_folder.h"

#include <atomic>
#include <chrono>
#include <filesystem>

namespace testarchive {

char Separator() { return static_cast<char>(std::filesystem::path::preferred_separator); }

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::filesystem::path p =
      std::filesystem::temp_directory_path() /
      ("tarnwick-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
  std::filesystem::create_directories(p);
  const std::u8string text = p.u8string();
  path_.assign(text.begin(), text.end());
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(std::u8string(path_.begin(), path_.end()), ignored);
}

std::string TempFolder::operator/(const std::string& name) const {
  return path_ + Separator() + name;
}

}  // namespace testarchive
