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
  const testarchive::Archive kinds = {.entries = {
      Entry{.name = "layers.button.cancel.h4r", .path = "C:\\Heroes 4\\Assets", .data = "stored"},
      Entry{.name = "t.x.txt", .path = "\\\\d", .data = std::string(3000, 'a'), .compression = 3},
      Entry{.name = "abc", .path = "E:\\x", .data = "abc", .compression = 3},
      Entry{.name = "sound.empty.wav", .path = "dropped", .tailMarker = 7, .storedSize = 0},
      Entry{.name = "a..b.c", .path = "p", .compression = 0, .storedSize = 0},
      Entry{.name = ".a.b", .data = "x", .compression = 2},
      Entry{.name = "dir\\x.y.z", .path = "q", .data = "yz"},
      Entry{.name = "m.n", .path = "r", .data = "zz", .compression = 3, .tailMarker = 1}}};
  // clang-format on
  for (const auto& [name, archive] : {std::pair{"kinds.h4r", kinds}, {"none.h4r", {}}}) {
    if (!testarchive::WriteFileBytes(std::string(argv[1]) + "/" + name,
                                     testarchive::Build(archive))) {
      std::fprintf(stderr, "make-fuzz-seeds: cannot write %s/%s\n", argv[1], name);
      return 1;
    }
  }
  return 0;
}
