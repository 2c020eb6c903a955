// Makes the bundled sample archive: a few hundred entries shaped like a
// game's resources (dotted names, stored paths, stored and compressed
// entries, times, a few empty ones and a few aliases), laid out as the game
// lays out its later archives: the directory behind the data. Deterministic,
// so every run makes the same file.
//
//   make-sample-archive OUTPUT.h4r
#include <cstdio>
#include <random>
#include <string>

#include "tests/support/archive_writer.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-sample-archive OUTPUT.h4r\n");
    return 2;
  }
  std::mt19937 rng(4);
  testarchive::Archive archive{.directoryAtEnd = true};
  for (const std::string kind : {"layers", "sound", "icons", "tables", "cursors"}) {
    for (const std::string group : {"button", "combat", "town", "map", "hero", "spell"}) {
      for (const std::string item : {"cancel", "ok", "next", "previous", "banner", "frame", "music",
                                     "click", "portrait", "border", "shadow"}) {
        const size_t n = archive.entries.size(), size = 500 + rng() % 60000;
        const char* ext = kind == "sound" ? ".h4d" : kind == "tables" ? ".txt" : ".h4r";
        testarchive::Entry e = testarchive::MakeEntry(
            kind + "." + group + "." + item + (n % 9 ? "" : "." + std::to_string(n % 4)) + ext,
            "C:\\Heroes 4\\Assets\\" + kind + "\\" + group, "",
            kind == "sound" || (kind != "tables" && n % 4 == 0) ? 1 : 3);
        // Sounds are noise (compressed already) and stored; tables are text,
        // the rest smooth pictures with a little noise; a few are empty.
        while (kind == "tables" && e.data.size() < size / 8) {
          e.data +=
              item + "\t" + std::to_string(rng() % 5000) + "\t" + std::to_string(n % 7) + "\r\n";
        }
        for (size_t i = 0; kind != "tables" && i < size; ++i) {
          e.data +=
              char(kind == "sound" ? rng() : (i / 64 * 3 + i % 64) / 4 + (i % 5 ? 0 : rng() % 8));
        }
        e.time = 1'000'000'000 + static_cast<uint32_t>(n * 86'399);
        if (n % 97 == 5) e = testarchive::Entry{.name = e.name, .path = e.path, .storedSize = 0};
        // An alias stands for the entry before it, under a name of its own.
        if (n % 101 == 7) {
          e = testarchive::Entry{.name = kind + "." + group + ".alias." + std::to_string(n) + ext,
                                 .compression = archive.entries.back().compression,
                                 .alias = archive.entries.back().name};
        }
        archive.entries.push_back(std::move(e));
      }
    }
  }
  if (!testarchive::WriteFileBytes(argv[1], testarchive::Build(archive))) {
    std::fprintf(stderr, "make-sample-archive: cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("%s: %zu entries\n", argv[1], archive.entries.size());
  return 0;
}
