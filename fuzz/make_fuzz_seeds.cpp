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
  using namespace testarchive;
  // clang-format off
  const Archive kinds = {.Entries = {
      Entry{.Name = "layers.button.cancel.h4r", .Path = "C:\\Heroes 4\\Assets", .Data = "stored",
            .Time = 1'000'000'000},
      Entry{.Name = "t.x.txt", .Path = "\\\\d", .Data = std::string(3000, 'a'), .Compression = 3},
      Entry{.Name = "abc", .Path = "E:\\x", .Data = "abc", .Compression = 3},
      Entry{.Name = "sound.empty.wav", .Path = "dropped", .StoredSize = 0},
      Entry{.Name = "a..b.c", .Path = "p", .Compression = 0, .StoredSize = 0},
      Entry{.Name = ".a.b", .Data = "x", .Compression = 2},
      Entry{.Name = "dir\\x.y.z", .Path = "q", .Data = "yz"},
      Entry{.Name = "m.alias", .Path = "r", .Compression = 3, .Alias = "ABC"},
      Entry{.Name = "loop", .Compression = 0, .Alias = "loop"},
      Entry{.Name = "gone", .Alias = "nothing"}}};
  // clang-format on
  const Archive atEnd{.DirectoryAtEnd = true, .Entries = kinds.Entries};
  for (const auto& [name, archive] :
       {std::pair{"kinds.h4r", kinds}, {"at-end.h4r", atEnd}, {"none.h4r", {}}}) {
    if (!WriteFileBytes(std::string(argv[1]) + "/" + name, Build(archive))) {
      std::fprintf(stderr, "make-fuzz-seeds: cannot write %s/%s\n", argv[1], name);
      return 1;
    }
  }
  return 0;
}
