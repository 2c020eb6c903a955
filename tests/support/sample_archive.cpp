#include "tests/support/sample_archive.h"

#include <random>
#include <string>

namespace testarchive {

Archive SampleArchive() {
  std::mt19937 rng(4);
  Archive archive{.DirectoryAtEnd = true};
  for (const std::string kind : {"layers", "sound", "icons", "tables", "cursors"}) {
    for (const std::string group : {"button", "combat", "town", "map", "hero", "spell"}) {
      for (const std::string item : {"cancel", "ok", "next", "previous", "banner", "frame", "music",
                                     "click", "portrait", "border", "shadow"}) {
        const size_t n = archive.Entries.size(), size = 500 + rng() % 60000;
        const char* ext = kind == "sound" ? ".h4d" : kind == "tables" ? ".txt" : ".h4r";
        Entry e = MakeEntry(
            kind + "." + group + "." + item + (n % 9 ? "" : "." + std::to_string(n % 4)) + ext,
            "C:\\Heroes 4\\Assets\\" + kind + "\\" + group, "",
            kind == "sound" || (kind != "tables" && n % 4 == 0) ? 1 : 3);
        // Sounds are noise (compressed already) and stored; tables are text,
        // the rest smooth pictures with a little noise; a few are empty.
        while (kind == "tables" && e.Data.size() < size / 8) {
          e.Data +=
              item + "\t" + std::to_string(rng() % 5000) + "\t" + std::to_string(n % 7) + "\r\n";
        }
        for (size_t i = 0; kind != "tables" && i < size; ++i) {
          e.Data +=
              char(kind == "sound" ? rng() : (i / 64 * 3 + i % 64) / 4 + (i % 5 ? 0 : rng() % 8));
        }
        e.Time = 1'000'000'000 + static_cast<uint32_t>(n * 86'399);
        if (n % 97 == 5) e = Entry{.Name = e.Name, .Path = e.Path, .StoredSize = 0};
        // An alias stands for the entry before it, under a name of its own.
        if (n % 101 == 7) {
          e = Entry{.Name = kind + "." + group + ".alias." + std::to_string(n) + ext,
                    .Compression = archive.Entries.back().Compression,
                    .Alias = archive.Entries.back().Name};
        }
        archive.Entries.push_back(std::move(e));
      }
    }
  }
  return archive;
}

}  // namespace testarchive
