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
namespace {

struct ListOptions {
  PathMode Mode = PathMode::FromNames;
  bool Json = false;
  std::string Archive;
};

void PadTo(std::string& line, const std::string& text, size_t width) {
  line += text;
  line.append(width - std::min(width, kol::Utf8Width(text)), ' ');
}

void PrintTable(const std::string& fileName, const LoadedArchive& a) {
  struct Row {
    std::string Name, Path, Size, Compressed;
  };
  std::vector<Row> rows;
  rows.reserve(a.Table.size());
  Row header{"Имя файла", "Путь", "Размер", "Сжатый"};
  size_t nameWidth = kol::Utf8Width(header.Name), pathWidth = kol::Utf8Width(header.Path);
  size_t sizeWidth = kol::Utf8Width(header.Size);
  for (const ArchiveEntry& e : a.Table) {
    Row r{PrintableText(kol::Cp1251ToUtf8(e.Name)), PrintableText(kol::Cp1251ToUtf8(e.Path)),
          kol::IntToText(e.Size), CompressionText(e.Compression)};
    nameWidth = std::max(nameWidth, kol::Utf8Width(r.Name));
    pathWidth = std::max(pathWidth, kol::Utf8Width(r.Path));
    sizeWidth = std::max(sizeWidth, r.Size.size());
    rows.push_back(std::move(r));
  }

  std::string out;
  auto addRow = [&](const Row& r, bool alignSizeRight) {
    PadTo(out, r.Name, nameWidth + 2);
    PadTo(out, r.Path, pathWidth + 2);
    if (alignSizeRight) out.append(sizeWidth - kol::Utf8Width(r.Size), ' ');
    PadTo(out, r.Size, alignSizeRight ? 2 + kol::Utf8Width(r.Size) : sizeWidth + 2);
    out += r.Compressed;
    out += '\n';
  };
  addRow(header, false);
  for (const Row& r : rows) addRow(r, true);

  const ArchiveStats stats = ComputeArchiveStats(a.Table);
  const std::pair<const char*, std::string> panel[] = {
      {"Архив:", PrintableText(fileName)},
      {"Всего файлов:", kol::IntToGroupedText(static_cast<int64_t>(a.Table.size()))},
      {"Сжатых:", kol::IntToGroupedText(stats.CompressedCount)},
      {"Пустых:", kol::IntToGroupedText(stats.EmptyCount)},
      {"Общий размер:", kol::IntToGroupedText(stats.TotalSize)},
  };
  out += '\n';
  for (const auto& [caption, value] : panel) {
    PadTo(out, caption, 15);
    out += value;
    out += '\n';
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
}

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
  for (size_t k = 0; k < a.Table.size(); ++k) {
    const ArchiveEntry& e = a.Table[k];
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
  }
  out += "]}\n";
  std::fwrite(out.data(), 1, out.size(), stdout);
}

}  // namespace

int RunList(const std::vector<std::string>& args) {
  ListOptions options;
  for (const std::string& arg : args) {
    if (arg == "--stored-paths") {
      options.Mode = PathMode::Stored;
    } else if (arg == "--json") {
      options.Json = true;
    } else if (arg.size() > 1 && arg[0] == '-') {
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
    std::fprintf(stderr, "usage: tarnwick-cli list [--stored-paths] [--json] ARCHIVE\n");
    return kExitUsage;
  }

  const LoadedArchive archive = LoadArchive(options.Archive, options.Mode);
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
