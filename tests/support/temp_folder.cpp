#include "tests/support/temp_folder.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>

namespace testarchive {
namespace {

std::string Utf8(const std::filesystem::path& p) {
  const auto text = p.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace

char Separator() {
#ifdef _WIN32
  return '\\';
#else
  return '/';
#endif
}

TempFolder::TempFolder() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  const std::filesystem::path p = std::filesystem::temp_directory_path() /
                                  ("tarnwick-test-" + std::to_string(stamp) + "-" +
                                   std::to_string(counter++));
  std::filesystem::create_directories(p);
  path_ = Utf8(p);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  const std::u8string name(path_.begin(), path_.end());
  // Folders made read-only by a test must be writable again to be removed.
  for (auto it = std::filesystem::recursive_directory_iterator(std::filesystem::path(name), ignored);
       it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
    std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  }
  std::filesystem::permissions(std::filesystem::path(name), std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(std::filesystem::path(name), ignored);
}

std::string TempFolder::operator/(const std::string& name) const {
  return path_ + Separator() + name;
}

}  // namespace testarchive
