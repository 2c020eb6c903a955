// Unpacking a generated archive of about 20,000 entries with tarnwick-cli,
// against a plain zlib loop doing the least the job needs: read the
// directory, then per entry read its bytes, inflate them in one call into a
// buffer of the unpacked size, and write the file with one call.
//
//   extract_bench [ENTRIES] [REPETITIONS]
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "archive/directory_reader.h"
#include "archive/path_formation.h"
#include "bench/reference_unpack.h"
#include "io/stream.h"
#include "tests/support/archive_writer.h"
#include "tests/support/temp_folder.h"

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Seconds(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// User plus system CPU seconds of this process or of its finished children.
double CpuSeconds(int who) {
  rusage u{};
  getrusage(who, &u);
  auto s = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return s(u.ru_utime) + s(u.ru_stime);
}

std::string Content(std::mt19937& gen, size_t n) {
  const char* words[] = {"castle ", "dragon ", "gold ", "mage ", "0x1F ", "\n", "tower ", "gem "};
  std::string s;
  s.reserve(n + 8);
  while (s.size() < n) {
    s += words[gen() % 8];
    if (gen() % 4 == 0) s += static_cast<char>(gen());
  }
  s.resize(n);
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  const int entries = argc > 1 ? std::atoi(argv[1]) : 20000;
  const int reps = argc > 2 ? std::atoi(argv[2]) : 5;

  std::mt19937 gen(4);
  testarchive::Archive archive;
  const char* kinds[] = {"layers", "sound", "icons", "tables"};
  size_t unpackedBytes = 0;
  for (int k = 0; k < entries; ++k) {
    testarchive::Entry e;
    e.Name = std::string(kinds[k % 4]) + ".group" + std::to_string(k % 37) + ".item" +
             std::to_string(k) + ".h4r";
    e.Data = Content(gen, 200 + gen() % (k % 50 == 0 ? 200000 : 6000));
    e.Compression = k % 3 == 0 ? 1 : 3;
    unpackedBytes += e.Data.size();
    archive.Entries.push_back(std::move(e));
  }
  testarchive::TempFolder dir;
  const std::string file = dir / "bench.h4r";
  const std::string bytes = testarchive::Build(archive);
  testarchive::WriteFileBytes(file, bytes);
  const std::string command =
      std::string("'") + TARNWICK_CLI + "' extract --quiet '" + file + "' '" + dir.Path() + "/cli'";

  // Each run starts from an empty folder with the page cache flushed, and
  // the two take turns going first, so that neither pays for the other's
  // write-back.
  auto fresh = [&](const std::string& name) {
    std::filesystem::remove_all(dir.Path() + "/" + name);
    ::sync();
    return Clock::now();
  };
  std::vector<double> cli, reference, cliCpu, referenceCpu;
  for (int r = 0; r < reps; ++r) {
    for (int turn = 0; turn < 2; ++turn) {
      if ((turn + r) % 2 == 0) {
        const auto t0 = fresh("cli");
        const double c0 = CpuSeconds(RUSAGE_CHILDREN);
        if (std::system(command.c_str()) != 0) {
          std::fprintf(stderr, "tarnwick-cli failed\n");
          return 1;
        }
        cli.push_back(Seconds(t0));
        cliCpu.push_back(CpuSeconds(RUSAGE_CHILDREN) - c0);
      } else {
        const auto t0 = fresh("ref");
        const double c0 = CpuSeconds(RUSAGE_SELF);
        ReferenceUnpack(file, dir.Path() + "/ref/");
        reference.push_back(Seconds(t0));
        referenceCpu.push_back(CpuSeconds(RUSAGE_SELF) - c0);
      }
    }
  }
  std::printf("unpacking %d entries (%zu archive bytes, %zu unpacked), %d repetitions, medians:\n",
              entries, bytes.size(), unpackedBytes, reps);
  std::printf("                         wall       cpu\n");
  std::printf("  tarnwick-cli extract:  %7.3f s  %7.3f s\n", Median(cli), Median(cliCpu));
  std::printf("  plain zlib reference:  %7.3f s  %7.3f s\n", Median(reference),
              Median(referenceCpu));
  std::printf("  ratio:                 %7.2f    %7.2f\n", Median(cli) / Median(reference),
              Median(cliCpu) / Median(referenceCpu));
  return 0;
}
