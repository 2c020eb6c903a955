// Writes seed archives for the fuzz targets: valid archives of every entry
// kind, made by the archive writer.
//   make-fuzz-seeds FOLDER
#include <cstdio>
#include <string>

#include "tests/support/archive_writer.h"

using testarchive::Archive;
using testarchive::Entry;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-fuzz-seeds FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  const auto entry = testarchive::MakeEntry;
  Archive kinds;
  kinds.entries.push_back(entry("layers.button.cancel.h4r", "C:\\Heroes 4\\Assets\\layers", "stored bytes", 1));
  kinds.entries.push_back(entry("table.text.txt", "\\\\data", std::string(3000, 'a') + "tail", 3));
  kinds.entries.push_back(entry("abc", "E:\\x", "abc", 3));
  Entry empty = entry("sound.empty.wav", "dropped", "", 1);
  empty.storedSize = 0;
  empty.tailMarker = 7;
  kinds.entries.push_back(empty);
  Entry emptyPlain = entry("a..b.c", "p", "", 0);
  emptyPlain.storedSize = 0;
  kinds.entries.push_back(emptyPlain);
  kinds.entries.push_back(entry(".a.b", "", "x", 2));
  kinds.entries.push_back(entry("dir\\x.y.z", "q", "yz", 1));
  Entry marked = entry("m.n", "r", "zz", 3);
  marked.tailMarker = 1;
  kinds.entries.push_back(marked);

  Archive one;
  one.entries.push_back(entry("icons.hero.portrait.h4r", "C:\\Heroes 4", std::string(200, 'p'), 3));
  Archive none;

  const std::pair<const char*, const Archive*> seeds[] = {
      {"kinds.h4r", &kinds}, {"one.h4r", &one}, {"none.h4r", &none}};
  for (const auto& [name, archive] : seeds) {
    if (!testarchive::WriteFileBytes(folder + "/" + name, testarchive::Build(*archive))) {
      std::fprintf(stderr, "make-fuzz-seeds: cannot write %s/%s\n", folder.c_str(), name);
      return 1;
    }
  }
  return 0;
}
