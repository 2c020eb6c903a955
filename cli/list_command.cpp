#include "cli/list_command.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "archive/archive_stats.h"
#include "cli/json_text.h"
#include "cli/loaded_archive.h"
#include "kol/text_encoding.h"
#include "kol/text_helpers.h"

namespace cli {

using archive::ArchiveEntry;
using archive::ArchiveStats;
using archive::CompressionText;
using archive::ComputeArchiveStats;
using archive::PathMode;

namespace {

constexpr const char* kListUsage = "usage: tarnwick-cli list [--stored-paths] [--json] ARCHIVE\n";

constexpr const char* kListHelp =
    "\n"
    "Lists the archive's entries (name, path, size, compressed) and its counts.\n"
    "\n"
    "  --stored-paths  keep the paths stored in the archive instead of forming\n"
    "                  folders from the dotted names\n"
    "  --json          print one JSON object with every field of every entry\n"
    "  --help, -h      print this help\n"
    "  --              end of options: what follows is the archive's name\n";

struct ListOptions {
  PathMode Mode = PathMode::FromNames;
  bool Json = false;
  std::string Archive;
};

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void PadTo(std::string& line, const std::string& text, size_t width) {
  line += text;
  line.append(width - std::min(width, kol::Utf8Width(text)), ' ');
}

struct Row {
  std::string Name, Path, Size, Compressed;
};

Row RowOf(const ArchiveEntry& e) {
  return {PrintableText(kol::Cp1251ToUtf8(e.Name)), PrintableText(kol::Cp1251ToUtf8(e.Path)),
          kol::IntToText(e.Size), CompressionText(e.Compression)};
}

// The rows are formed twice, once for the column widths and once for
// printing, so that memory does not grow with the number of entries beyond
// the table itself.
void PrintTable(const std::string& fileName, const LoadedArchive& a) {
  const Row header{"Имя файла", "Путь", "Размер", "Сжатый"};
  size_t nameWidth = kol::Utf8Width(header.Name), pathWidth = kol::Utf8Width(header.Path);
  size_t sizeWidth = kol::Utf8Width(header.Size);
  for (const ArchiveEntry& e : a.Table) {
    const Row r = RowOf(e);
    nameWidth = std::max(nameWidth, kol::Utf8Width(r.Name));
    pathWidth = std::max(pathWidth, kol::Utf8Width(r.Path));
    sizeWidth = std::max(sizeWidth, r.Size.size());
  }

  std::string line;
  auto printRow = [&](const Row& r, bool alignSizeRight) {
    line.clear();
    PadTo(line, r.Name, nameWidth + 2);
    PadTo(line, r.Path, pathWidth + 2);
    if (alignSizeRight) line.append(sizeWidth - kol::Utf8Width(r.Size), ' ');
    PadTo(line, r.Size, alignSizeRight ? 2 + kol::Utf8Width(r.Size) : sizeWidth + 2);
    line += r.Compressed;
    line += '\n';
    Print(line);
  };
  printRow(header, false);
  for (const ArchiveEntry& e : a.Table) printRow(RowOf(e), true);

  const ArchiveStats stats = ComputeArchiveStats(a.Table);
  const std::pair<const char*, std::string> panel[] = {
      {"Архив:", PrintableText(fileName)},
      {"Всего файлов:", kol::IntToGroupedText(static_cast<int64_t>(a.Table.size()))},
      {"Сжатых:", kol::IntToGroupedText(stats.CompressedCount)},
      {"Пустых:", kol::IntToGroupedText(stats.EmptyCount)},
      {"Общий размер:", kol::IntToGroupedText(stats.TotalSize)},
  };
  line = "\n";
  for (const auto& [caption, value] : panel) {
    PadTo(line, caption, 15);
    line += value;
    line += '\n';
  }
  Print(line);
}

// Each entry is written as soon as it is formed.
void PrintJson(const std::string& fileName, const LoadedArchive& a) {
  const ArchiveStats stats = ComputeArchiveStats(a.Table);
  std::string out = "{\"archive\":" + JsonString(fileName);
  out += ",\"complete\":" + std::string(a.Directory.Complete ? "true" : "false");
  out += ",\"declared_count\":" + std::to_string(a.Directory.DeclaredCount);
  out += ",\"entry_count\":" + std::to_string(a.Table.size());
  out += ",\"compressed_count\":" + std::to_string(stats.CompressedCount);
  out += ",\"empty_count\":" + std::to_string(stats.EmptyCount);
  out += ",\"total_size\":" + std::to_string(stats.TotalSize);
  out += ",\"entries\":[";
  Print(out);
  for (size_t k = 0; k < a.Table.size(); ++k) {
    const ArchiveEntry& e = a.Table[k];
    out.clear();
    if (k > 0) out += ',';
    out += "\n{\"index\":" + std::to_string(k + 1);
    out += ",\"name\":" + JsonString(kol::Cp1251ToUtf8(e.Name));
    out += ",\"path\":" + JsonString(kol::Cp1251ToUtf8(e.Path));
    out += ",\"offset\":" + std::to_string(e.Offset);
    out += ",\"stored_size\":" + std::to_string(e.StoredSize);
    out += ",\"size\":" + std::to_string(e.Size);
    out += ",\"spare\":" + std::to_string(e.Spare);
    out += ",\"name_len\":" + std::to_string(e.NameLen);
    out += ",\"path_len\":" + std::to_string(e.PathLen);
    out += ",\"tail_marker\":" + std::to_string(e.TailMarker);
    out += ",\"compression\":" + std::to_string(e.Compression);
    out += '}';
    Print(out);
  }
  Print("]}\n");
}

}  // namespace

int RunList(const std::vector<std::string>& args) {
  ListOptions options;
  bool optionsEnded = false;
  for (const std::string& arg : args) {
    if (!optionsEnded && arg == "--") {
      optionsEnded = true;
    } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
      std::fputs(kListUsage, stdout);
      std::fputs(kListHelp, stdout);
      return kExitOk;
    } else if (!optionsEnded && arg == "--stored-paths") {
      options.Mode = PathMode::Stored;
    } else if (!optionsEnded && arg == "--json") {
      options.Json = true;
    } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "tarnwick-cli list: unknown option %s\n", arg.c_str());
      return kExitUsage;
    } else if (options.Archive.empty()) {
      options.Archive = arg;
    } else {
      std::fprintf(stderr, "tarnwick-cli list: more than one archive given\n");
      return kExitUsage;
    }
  }
  if (options.Archive.empty()) {
    std::fputs(kListUsage, stderr);
    return kExitUsage;
  }

  const LoadedArchive archive = LoadArchive(options.Archive, options.Mode);
  if (archive.Directory.OutOfMemory) {
    std::fprintf(stderr, "tarnwick-cli: not enough memory to read the directory of %s\n",
                 options.Archive.c_str());
    return kExitUsage;
  }
  if (!archive.Opened) {
    std::fprintf(stderr, "tarnwick-cli: cannot open %s: %s\n", options.Archive.c_str(),
                 archive.OpenError.c_str());
    return kExitUsage;
  }
  if (options.Json) {
    PrintJson(options.Archive, archive);
  } else {
    PrintTable(options.Archive, archive);
  }
  std::fflush(stdout);
  WarnIfIncomplete(options.Archive, archive);
  return archive.Directory.Complete ? kExitOk : kExitIncomplete;
}

}  // namespace cli
