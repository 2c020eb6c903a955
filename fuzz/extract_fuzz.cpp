// The whole extraction of arbitrary archive bytes into a fresh folder: nothing
// may appear outside the output folder, and every entry ends either written
// (its file there, of the size it promised) or reported.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "archive/directory_reader.h"
#include "archive/path_formation.h"
#include "extract/entry_extraction.h"
#include "kol/stream.h"

#include "fuzz/fuzz_check.h"

namespace {

namespace fs = std::filesystem;

// The output folder sits a few levels below the scratch root, so that an
// escape by "..", however it is spelt, lands somewhere the check below sees.
const fs::path& Root() {
  static const fs::path root = [] {
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    return base / ("tarnwick-extract-fuzz-" + std::to_string(getpid()));
  }();
  return root;
}

// Work per input stays bounded: a few hundred entries, none of more than a
// few MiB unpacked.
constexpr size_t kMaxEntries = 256;
constexpr int32_t kMaxSize = 4 << 20;

bool OnlyExpectedAtTop(const fs::path& root) {
  std::error_code ec;
  for (const auto& item : fs::directory_iterator(root, ec)) {
    const std::string name = item.path().filename().string();
    if (name != "archive.h4r" && name != "l1") return false;
  }
  // Along the chain l1/l2/l3/out nothing but the next level may appear.
  fs::path level = root / "l1";
  for (const char* next : {"l2", "l3", "out"}) {
    for (const auto& item : fs::directory_iterator(level, ec)) {
      if (item.path().filename() != next) return false;
    }
    level /= next;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::error_code ec;
  fs::remove_all(Root(), ec);
  const fs::path out = Root() / "l1" / "l2" / "l3" / "out";
  fs::create_directories(out);
  const std::string archiveName = (Root() / "archive.h4r").string();
  if (std::FILE* f = std::fopen(archiveName.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }

  kol::StreamPtr archive = kol::OpenReadStream(archiveName);
  archive::EntryTable table;
  archive::ReadDirectory(*archive, table);
  // The header is never examined, so its first byte may pick the path mode.
  if (size > 0 && (data[0] & 1) != 0) archive::FormPaths(table);

  const std::string outFolder = out.string() + (size > 1 && (data[1] & 1) ? "/" : "");
  for (size_t k = 0; k < table.size() && k < kMaxEntries; ++k) {
    archive::ArchiveEntry& e = table[k];
    if (e.Size > kMaxSize) continue;
    const extract::ExtractOutcome o = extract::ExtractEntry(*archive, e, outFolder);
    CHECK(!o.Destination.empty() || o.Status == extract::ExtractStatus::NotWritten);
    CHECK((o.Kind == extract::Problem::None) == (o.Status == extract::ExtractStatus::Written));
    if (o.Status == extract::ExtractStatus::NotWritten) continue;
    // Reading ahead (what other threads do for --jobs) finds the same bytes
    // and the same verdict.
    extract::UnpackedData ahead;
    CHECK(extract::UnpackAhead(*archive, e, ahead));
    CHECK(ahead.Verdict.Kind == o.Kind);
    // A written file is where the outcome says, with the size it promised.
    std::string file = o.Destination;
    for (char& c : file) c = c == '\\' ? '/' : c;
    struct stat info;
    CHECK(::stat(file.c_str(), &info) == 0 && S_ISREG(info.st_mode));
    const std::string canonical = fs::weakly_canonical(file, ec).string();
    CHECK(canonical.rfind(out.string() + "/", 0) == 0);
    if (o.Status == extract::ExtractStatus::Written) {
      if (e.Compression == archive::kCompressionDeflated) CHECK(info.st_size == e.Size);
      if (e.Compression == archive::kCompressionStored) CHECK(info.st_size == e.StoredSize);
    }
    if (e.Compression == archive::kCompressionStored ||
        e.Compression == archive::kCompressionDeflated) {
      std::ifstream in(file, std::ios::binary);
      const std::string written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      const uint32_t aheadSize = kol::StreamSize(*ahead.Bytes);
      CHECK(written.size() == aheadSize);
      CHECK(aheadSize == 0 || std::memcmp(written.data(), ahead.Bytes->Memory(), aheadSize) == 0);
    }
  }
  CHECK(OnlyExpectedAtTop(Root()));
  return 0;
}
