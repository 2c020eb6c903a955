// reference-extract ARCHIVE OUTDIR: the plain zlib floor as a program of its
// own, so that bench/run can time it the way it times tarnwick-cli.
#include <cstdio>

#include "bench/reference_unpack.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: reference-extract ARCHIVE OUTDIR\n");
    return 2;
  }
  ReferenceUnpack(argv[1], argv[2]);
  return 0;
}
