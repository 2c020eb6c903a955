// Reading and forming the directory of a 20,000-entry archive, against the
// floor of that work: reading the directory's bytes from the file in one call.
//
//   directory_bench [ENTRIES] [REPETITIONS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "archive/directory_reader.h"
#include "archive/path_formation.h"
#include "io/stream.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int entries = argc > 1 ? std::atoi(argv[1]) : 20000;
  const int reps = argc > 2 ? std::atoi(argv[2]) : 21;

  testarchive::Archive archive;
  const char* kinds[] = {"layers", "sound", "icons", "tables"};
  for (int k = 0; k < entries; ++k) {
    testarchive::Entry e;
    e.Name = std::string(kinds[k % 4]) + ".group" + std::to_string(k % 37) + ".item" +
             std::to_string(k) + ".h4r";
    e.Path =
        "C:\\Heroes 4\\Assets\\" + std::string(kinds[k % 4]) + "\\group" + std::to_string(k % 37);
    e.Stored = std::string();  // the data plays no part here
    e.StoredSize = 100 + k;
    e.Size = 200 + k;
    e.Compression = k % 3 == 0 ? 1 : 3;
    archive.Entries.push_back(e);
  }
  testarchive::TempFolder dir;
  const std::string file = dir / "bench.h4r";
  const std::string bytes = testarchive::Build(archive);
  testarchive::WriteFileBytes(file, bytes);

  std::vector<double> ours, floor;
  size_t rows = 0;
  for (int r = 0; r < reps; ++r) {
    {
      const auto t0 = Clock::now();
      io::StreamPtr s = io::OpenReadStream(file);
      std::string all(bytes.size(), '\0');
      io::StreamRead(*s, all.data(), static_cast<uint32_t>(all.size()));
      floor.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    {
      const auto t0 = Clock::now();
      io::StreamPtr s = io::OpenReadStream(file);
      archive::EntryTable table;
      archive::ReadDirectory(*s, table);
      archive::FormPaths(table);
      ours.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
      rows = table.size();
    }
  }
  std::printf("directory of %zu entries (%zu bytes), %d repetitions, medians:\n", rows,
              bytes.size(), reps);
  std::printf("  read + form paths: %8.2f ms\n", Median(ours));
  std::printf("  one read of the file (floor): %8.2f ms\n", Median(floor));
  std::printf("  ratio: %.2f\n", Median(ours) / Median(floor));
  return 0;
}
