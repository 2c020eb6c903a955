// Generates an archive shaped like a game's resources, deterministically from
// a seed: dotted names of several levels with stored paths, compressed
// image-like data (gradients, flat regions, noise), compressed text tables,
// stored already-compressed audio and video (incompressible, a few of several
// MB), and a few empty entries.
//
//   generate-archive OUTPUT.h4r [ENTRIES=20000] [MEGABYTES=300] [SEED=1] [SPREAD=0]
//
// With SPREAD=1 every entry lies in two folders of its own (10,000 entries,
// some 20,000 folders), so that the cost of walking and holding folders shows.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "tests/support/archive_writer.h"

namespace {

enum class Kind { Image, Table, Audio, Video, Empty };

struct Planned {
  Kind Type;
  double Weight;  // relative size before scaling to the wanted total
};

const char* kGroups[] = {"button",   "combat",   "town",   "map",  "hero",   "spell",
                         "creature", "artifact", "cursor", "menu", "dialog", "terrain"};
const char* kItems[] = {"cancel",   "ok",     "next",   "back", "banner", "frame",
                        "portrait", "border", "shadow", "idle", "attack", "defend",
                        "walk",     "icon",   "glow",   "flag"};

// Pixel rows: a gradient with flat bands and some noise, compressing to
// roughly a third as game pictures do.
std::string ImageLike(std::mt19937_64& rng, size_t size) {
  std::string data(size, '\0');
  const size_t width = 64 + rng() % 448;
  const unsigned noiseMask = (1u << (rng() % 5)) - 1;
  uint64_t x = rng() | 1;
  for (size_t i = 0; i < size; ++i) {
    const size_t row = i / width, col = i % width;
    x ^= x << 13, x ^= x >> 7, x ^= x << 17;
    const bool flat = (row / 16) % 3 == 0;
    const unsigned value = flat ? static_cast<unsigned>(row * 7) : static_cast<unsigned>(col + row);
    data[i] = static_cast<char>(value + (flat ? 0 : (x & noiseMask)));
  }
  return data;
}

std::string TableText(std::mt19937_64& rng, size_t size) {
  std::string text = "Name\tCost\tLevel\tDescription\r\n";
  while (text.size() < size) {
    text += std::string(kItems[rng() % 16]) + "_" + std::to_string(rng() % 1000) + "\t" +
            std::to_string(rng() % 5000) + "\t" + std::to_string(rng() % 7 + 1) + "\t" +
            kGroups[rng() % 12] + " of the " + kItems[rng() % 16] + "\r\n";
  }
  text.resize(size);
  return text;
}

std::string Incompressible(std::mt19937_64& rng, size_t size) {
  std::string data(size, '\0');
  for (size_t i = 0; i + 8 <= size; i += 8) {
    const uint64_t v = rng();
    for (int b = 0; b < 8; ++b) data[i + b] = static_cast<char>(v >> (8 * b));
  }
  return data;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: generate-archive OUTPUT.h4r [ENTRIES] [MEGABYTES] [SEED]\n");
    return 2;
  }
  const size_t entries = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 20000;
  const double megabytes = argc > 3 ? std::atof(argv[3]) : 300;
  std::mt19937_64 rng(argc > 4 ? std::strtoull(argv[4], nullptr, 10) : 1);
  const bool spread = argc > 5 && std::atoi(argv[5]) != 0;

  // Sizes first, log-uniform within each kind, then scaled to the total.
  std::vector<Planned> plan;
  double total = 0;
  for (size_t k = 0; k < entries; ++k) {
    const unsigned pick = rng() % 1000;
    Planned p;
    auto logUniform = [&](double lo, double hi) {
      return std::exp(std::log(lo) + (std::log(hi) - std::log(lo)) * (rng() % 100000) / 100000.0);
    };
    if (pick < 5) {
      p = {Kind::Empty, 0};
    } else if (pick < 6) {
      p = {Kind::Video, logUniform(2e6, 8e6)};
    } else if (pick < 250) {
      p = {Kind::Audio, logUniform(2e3, 4e5)};
    } else if (pick < 450) {
      p = {Kind::Table, logUniform(3e2, 6e4)};
    } else {
      p = {Kind::Image, logUniform(3e2, 3e5)};
    }
    total += p.Weight;
    plan.push_back(p);
  }
  const double scale = total > 0 ? megabytes * 1e6 / total : 0;

  testarchive::Archive archive;
  archive.Entries.reserve(entries);
  size_t unpacked = 0;
  for (size_t k = 0; k < entries; ++k) {
    const Planned& p = plan[k];
    const size_t size = static_cast<size_t>(std::max(1.0, p.Weight * scale));
    const char* group = kGroups[rng() % 12];
    // Two folder levels of the entry's own when spread: "n<k>" and the one below it.
    const std::string own = spread ? "n" + std::to_string(k) + "." : "";
    const std::string item = own + kItems[rng() % 16];
    testarchive::Entry e;
    switch (p.Type) {
      case Kind::Image:
      case Kind::Empty:
        e.Name = std::string("layers.") + group + "." + item + "." + std::to_string(k) + ".h4r";
        e.Path = std::string("C:\\Heroes 4\\Assets\\layers\\") + group;
        break;
      case Kind::Table:
        e.Name = "tables." + own + group + "." + std::to_string(k) + ".txt";
        e.Path = "C:\\Heroes 4\\Data\\tables";
        break;
      case Kind::Audio:
        e.Name = std::string("sound.") + group + "." + item + "." + std::to_string(k) + ".h4d";
        e.Path = std::string("C:\\Heroes 4\\Assets\\sound\\") + group;
        break;
      case Kind::Video:
        e.Name = "video." + own + group + "." + std::to_string(k) + ".bik";
        e.Path = "C:\\Heroes 4\\Video";
        break;
    }
    switch (p.Type) {
      case Kind::Image: e.Data = ImageLike(rng, size), e.Compression = 3; break;
      case Kind::Table: e.Data = TableText(rng, size), e.Compression = 3; break;
      case Kind::Audio:
      case Kind::Video: e.Data = Incompressible(rng, size), e.Compression = 1; break;
      case Kind::Empty: e.StoredSize = 0, e.Stored = std::string(), e.Compression = 1; break;
    }
    // Times spread over the years the game was made, as its archives carry them.
    e.Time = 950'000'000 + static_cast<uint32_t>(k * 7919 % 60'000'000);
    unpacked += e.Data.size();
    archive.Entries.push_back(std::move(e));
  }
  const std::string bytes = testarchive::Build(archive);
  if (!testarchive::WriteFileBytes(argv[1], bytes)) {
    std::fprintf(stderr, "generate-archive: cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("%s: %zu entries, %zu bytes, %zu bytes unpacked\n", argv[1], entries, bytes.size(),
              unpacked);
  return 0;
}
