// Writes seed archives for the fuzz targets: valid archives of every entry
// kind, made by the archive writer.
//   make-fuzz-seeds FOLDER
#include <cstdio>
#include <string>

#include "tests/support/archive_writer.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-fuzz-seeds FOLDER\n");
    return 2;
  }
  using testarchive::Entry;
  // clang-format off
  testarchive::Archive kinds = {.entries = {
      Entry{.name = "layers.button.cancel.h4r", .path = "C:\\Heroes 4\\Assets", .data = "stored",
            .time = 1'000'000'000},
      Entry{.name = "t.x.txt", .path = "\\\\d", .data = std::string(3000, 'a'), .compression = 3},
      Entry{.name = "abc", .path = "E:\\x", .data = "abc", .compression = 3},
      Entry{.name = "sound.empty.wav", .path = "dropped", .storedSize = 0},
      Entry{.name = "a..b.c", .path = "p", .compression = 0, .storedSize = 0},
      Entry{.name = ".a.b", .data = "x", .compression = 2},
      Entry{.name = "dir\\x.y.z", .path = "q", .data = "yz"},
      Entry{.name = "m.alias", .path = "r", .compression = 3, .alias = "ABC"},
      Entry{.name = "loop", .compression = 0, .alias = "loop"},
      Entry{.name = "gone", .alias = "nothing"}}};
  // clang-format on
  testarchive::Archive atEnd = kinds;
  atEnd.directoryAtEnd = true;
  for (const auto& [name, archive] :
       {std::pair{"kinds.h4r", kinds}, {"at-end.h4r", atEnd}, {"none.h4r", {}}}) {
    if (!testarchive::WriteFileBytes(std::string(argv[1]) + "/" + name,
                                     testarchive::Build(archive))) {
      std::fprintf(stderr, "make-fuzz-seeds: cannot write %s/%s\n", argv[1], name);
      return 1;
    }
  }
  return 0;
}
