// Makes the bundled sample archive: a few hundred entries shaped like a
// game's resources (dotted names, stored paths, stored and compressed
// entries, a few empty ones). Deterministic, so every run makes the same file.
//
//   make-sample-archive OUTPUT.h4r
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "tests/support/archive_writer.h"

namespace {

const std::vector<std::string> kKinds = {"layers", "sound", "icons", "tables", "cursors"};
const std::vector<std::string> kGroups = {"button", "combat", "town", "map", "hero", "spell"};
const std::vector<std::string> kItems = {"cancel", "ok", "next", "previous", "banner", "frame",
                                         "music", "click", "portrait", "border", "shadow"};

std::string ImageLike(std::mt19937& rng, size_t size) {
  std::string data(size, '\0');
  std::uniform_int_distribution<int> noise(0, 7);
  for (size_t i = 0; i < size; ++i) {
    data[i] = static_cast<char>(((i / 64) * 3 + (i % 64)) / 4 + (i % 5 == 0 ? noise(rng) : 0));
  }
  return data;
}

std::string TableText(std::mt19937& rng, size_t rows) {
  std::string text = "Name\tCost\tLevel\r\n";
  std::uniform_int_distribution<int> number(1, 5000);
  for (size_t r = 0; r < rows; ++r) {
    text += kItems[r % kItems.size()] + "\t" + std::to_string(number(rng)) + "\t" +
            std::to_string(r % 7 + 1) + "\r\n";
  }
  return text;
}

std::string Noise(std::mt19937& rng, size_t size) {
  std::string data(size, '\0');
  for (char& c : data) c = static_cast<char>(rng());
  return data;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-sample-archive OUTPUT.h4r\n");
    return 2;
  }
  std::mt19937 rng(4);
  testarchive::Archive archive;
  int n = 0;
  for (const std::string& kind : kKinds) {
    for (const std::string& group : kGroups) {
      for (const std::string& item : kItems) {
        testarchive::Entry e;
        const std::string ext = kind == "sound" ? "h4d" : kind == "tables" ? "txt" : "h4r";
        // Built by appending: GCC 12 at -O3 warns falsely (-Wrestrict) about
        // "." + a temporary string.
        e.name = kind + "." + group + "." + item;
        if (n % 9 == 0) e.name.append(".").append(std::to_string(n % 4));
        e.name.append(".").append(ext);
        e.path = "C:\\Heroes 4\\Assets\\" + kind + "\\" + group;
        if (kind == "sound") {
          e.data = Noise(rng, 2000 + rng() % 30000);  // already compressed audio: stored
          e.compression = 1;
        } else if (kind == "tables") {
          e.data = TableText(rng, 20 + rng() % 200);
          e.compression = 3;
        } else {
          e.data = ImageLike(rng, 500 + rng() % 60000);
          e.compression = n % 4 == 0 ? 1 : 3;
        }
        if (n % 97 == 5) {  // a few empty entries
          e.data.clear();
          e.storedSize = 0;
          e.stored = std::string();
        }
        archive.entries.push_back(std::move(e));
        ++n;
      }
    }
  }
  if (!testarchive::WriteFileBytes(argv[1], testarchive::Build(archive))) {
    std::fprintf(stderr, "make-sample-archive: cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("%s: %d entries\n", argv[1], n);
  return 0;
}
