// Makes the bundled sample archive: a few hundred entries shaped like a
// game's resources (dotted names, stored paths, stored and compressed
// entries, times, a few empty ones and a few aliases), laid out as the game
// lays out its later archives: the directory behind the data. Deterministic,
// so every run makes the same file.
//
//   make-sample-archive OUTPUT.h4r
#include <cstdio>

#include "tests/support/sample_archive.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-sample-archive OUTPUT.h4r\n");
    return 2;
  }
  const testarchive::Archive archive = testarchive::SampleArchive();
  if (!testarchive::WriteFileBytes(argv[1], testarchive::Build(archive))) {
    std::fprintf(stderr, "make-sample-archive: cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("%s: %zu entries\n", argv[1], archive.Entries.size());
  return 0;
}
