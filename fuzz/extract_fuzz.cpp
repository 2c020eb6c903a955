// The whole extraction of arbitrary archive bytes into a fresh folder: nothing
// may appear outside the output folder, and every entry ends either written
// (its file there, of the size it promised) or reported, and read ahead (as
// --jobs does) it gives the same bytes and verdict.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "archive/directory_reader.h"
#include "archive/path_formation.h"
#include "extract/entry_extraction.h"
#include "fuzz/fuzz_check.h"
#include "io/stream.h"
#include "tests/extract/file_names.h"
#include "tests/support/archive_writer.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The output folder sits a few levels down, so that an escape by "..",
  // however it is spelt, lands where the check at the end sees it.
  static const fs::path root =
      (fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()) /
      ("tarnwick-extract-fuzz-" + std::to_string(getpid()));
  std::error_code ec;
  fs::remove_all(root, ec);
  const fs::path out = root / "l1" / "l2" / "out";
  fs::create_directories(out);
  const std::string archiveName = root.string() + ".h4r";  // read as tarnwick-cli reads it
  testarchive::WriteFileBytes(archiveName, std::string(reinterpret_cast<const char*>(data), size));
  io::StreamPtr archive = io::OpenReadStream(archiveName);
  archive::EntryTable table;
  archive::ReadDirectory(*archive, table);
  // The version byte is never examined, so it may pick the path mode.
  if (size > 3 && (data[3] & 1) != 0) archive::FormPaths(table);
  const std::string outFolder = out.string() + (size > 1 && (data[1] & 1) ? "/" : "");

  // A few hundred entries, none of more than a few MiB unpacked; an alias
  // with its target's data.
  extract::OutputTree tree(outFolder);
  for (size_t k = 0; k < table.size() && k < 256; ++k) {
    archive::ArchiveEntry& e = table[k];
    const archive::ArchiveEntry& source = archive::DataOf(table, k);
    if (source.Size > (4 << 20)) continue;
    const extract::ExtractOutcome o = extract::ExtractEntry(*archive, e, tree, nullptr, &source);
    CHECK((o.Kind == extract::Problem::None) == (o.Status == extract::ExtractStatus::Written));
    if (o.Status == extract::ExtractStatus::NotWritten) continue;
    extract::UnpackedData ahead;
    CHECK(extract::UnpackAhead(*archive, source, ahead) && ahead.Verdict.Kind == o.Kind);
    const fs::path file = testextract::FsPath(o.Destination);
    CHECK(fs::is_regular_file(file, ec));
    CHECK(fs::weakly_canonical(file, ec).string().rfind(out.string() + "/", 0) == 0);
    if (source.Compression != archive::kCompressionStored &&
        source.Compression != archive::kCompressionDeflated)
      continue;
    const uint32_t n = io::StreamSize(*ahead.Bytes);
    CHECK(o.Status != extract::ExtractStatus::Written ||
          n == uint32_t(source.Compression == archive::kCompressionStored ? source.StoredSize
                                                                          : source.Size));
    CHECK(testarchive::ReadFileBytes(file.string()) ==
          std::string(reinterpret_cast<const char*>(ahead.Bytes->Memory()), n));
  }
  // Nothing appears beside the chain of folders l1/l2 leading to the output folder.
  int beside = 0;
  for (const auto& item : fs::recursive_directory_iterator(root, ec))
    beside += item.path() != out && item.path().string().rfind(out.string() + "/", 0) != 0;
  CHECK(beside == 2);
  return 0;
}
