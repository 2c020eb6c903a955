#include "cli/list_command.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>

#include "archive/archive_stats.h"
#include "cli/entry_selection.h"
#include "cli/json_text.h"
#include "cli/loaded_archive.h"
#include "io/text_encoding.h"
#include "io/text_helpers.h"

namespace cli {

using archive::ArchiveEntry;
using archive::ArchiveStats;
using archive::ComputeArchiveStats;
using archive::OpenedDirectory;
using archive::PathMode;

namespace {

struct ListOptions {
  PathMode Mode = PathMode::FromNames;
  bool Json = false;
  bool Long = false;
  SelectionOptions Selection;
};

CommandOptions ListLine(ListOptions& o) {
  return {"list",
          "ARCHIVE [PATTERN...]",
          "Lists the archive's entries (name, path, size, compressed) and its counts:\n"
          "all of them, or those the patterns and options select.\n",
          {StoredPathsOption(o.Mode,
                             "keep the paths stored in the archive instead of\n"
                             "forming folders from the dotted names"),
           Flag("long", 'l',
                "add the stored size, the space saved (ratio) and the\n"
                "time the entry was last modified (UTC)",
                [&o] { o.Long = true; }),
           Flag("json", 0, "print one JSON object with every field of every entry",
                [&o] { o.Json = true; })},
          SelectionRows(o.Selection)};
}

void Print(const std::string& text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void PadTo(std::string& line, const std::string& text, size_t width) {
  line += text;
  line.append(width - std::min(width, io::Utf8Width(text)), ' ');
}

const char* CompressedText(uint32_t compression) {
  switch (compression) {
    case archive::kCompressionDeflated: return "yes";
    case archive::kCompressionStored: return "no";
    case archive::kCompressionNone: return "N/A";
    default: return "ERROR";
  }
}

// The share of the unpacked size that storing saved, as unzip -v shows it:
// negative when the stored form is the larger.
std::string Ratio(const ArchiveEntry& e) {
  if (e.Size <= 0 || e.StoredSize < 0) return "-";
  const double saved = 100.0 * (static_cast<double>(e.Size) - e.StoredSize) / e.Size;
  return std::to_string(static_cast<long long>(std::llround(saved))) + "%";
}

// A record's time as "YYYY-MM-DD HH:MM" (UTC); empty for 0, which means none.
std::string TimeText(uint32_t seconds) {
  if (seconds == 0) return std::string();
  // Days since 1970 to a civil date, counted in 400-year eras from 0000-03-01.
  const int64_t days = seconds / 86400 + 719468;
  const int64_t era = days / 146097, dayOfEra = days % 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t shifted = (5 * dayOfYear + 2) / 153;
  const int64_t day = dayOfYear - (153 * shifted + 2) / 5 + 1;
  const int64_t month = shifted < 10 ? shifted + 3 : shifted - 9;
  const int64_t year = yearOfEra + era * 400 + (month <= 2 ? 1 : 0);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", static_cast<int>(year),
                static_cast<int>(month), static_cast<int>(day),
                static_cast<int>(seconds % 86400 / 3600), static_cast<int>(seconds % 3600 / 60));
  return text;
}

// Name, path, then the right-aligned figures, then Compressed.
struct Row {
  std::string Name, Path;
  std::vector<std::string> Figures;
  std::string Compressed;
};

Row RowOf(const ArchiveEntry& e, bool wide) {
  std::string name = io::Utf8FromCp1251(e.Name);
  if (e.IsAlias()) name += " -> " + io::Utf8FromCp1251(e.AliasName);
  Row r{PrintableText(name),
        ShownPath(io::Utf8FromCp1251(e.Path)),
        {io::IntToText(e.Size)},
        CompressedText(e.Compression)};
  if (wide) {
    r.Figures.insert(r.Figures.end(), {io::IntToText(e.StoredSize), Ratio(e), TimeText(e.Time)});
  }
  return r;
}

// The rows are formed twice, once for the column widths and once for
// printing, so that memory does not grow with the number of entries beyond
// the table itself.
void PrintTable(const std::string& fileName, const OpenedDirectory& a,
                const std::vector<size_t>& listed, bool wide, bool narrowed) {
  Row header{"Name", "Path", {"Size"}, "Compressed"};
  if (wide) header.Figures.insert(header.Figures.end(), {"Stored", "Ratio", "Modified"});
  size_t nameWidth = io::Utf8Width(header.Name), pathWidth = io::Utf8Width(header.Path);
  std::vector<size_t> widths;
  for (const std::string& f : header.Figures) widths.push_back(f.size());
  for (const size_t k : listed) {
    const Row r = RowOf(a.Table[k], wide);
    nameWidth = std::max(nameWidth, io::Utf8Width(r.Name));
    pathWidth = std::max(pathWidth, io::Utf8Width(r.Path));
    for (size_t f = 0; f < widths.size(); ++f) widths[f] = std::max(widths[f], r.Figures[f].size());
  }

  std::string line;
  auto printRow = [&](const Row& r) {
    line.clear();
    PadTo(line, r.Name, nameWidth + 2);
    PadTo(line, r.Path, pathWidth + 2);
    for (size_t f = 0; f < widths.size(); ++f) {
      line.append(widths[f] - r.Figures[f].size(), ' ');
      line += r.Figures[f] + "  ";
    }
    line += r.Compressed;
    line += '\n';
    Print(line);
  };
  printRow(header);
  for (const size_t k : listed) printRow(RowOf(a.Table[k], wide));

  const ArchiveStats stats = ComputeArchiveStats(a.Table);
  std::vector<std::pair<const char*, std::string>> panel = {
      {"Archive:", PrintableText(fileName)},
      {"Files:", io::IntToGroupedText(static_cast<int64_t>(a.Table.size()))},
      {"Compressed:", io::IntToGroupedText(stats.CompressedCount)},
      {"Empty:", io::IntToGroupedText(stats.EmptyCount)},
      {"Total size:", io::IntToGroupedText(stats.TotalSize)},
  };
  const auto aliases = std::count_if(a.Table.begin(), a.Table.end(),
                                     [](const ArchiveEntry& e) { return e.IsAlias(); });
  if (aliases > 0) panel.emplace(panel.begin() + 4, "Aliases:", io::IntToGroupedText(aliases));
  if (narrowed)
    panel.emplace_back("Listed:", io::IntToGroupedText(static_cast<int64_t>(listed.size())));
  line = "\n";
  for (const auto& [caption, value] : panel) {
    PadTo(line, caption, 13);
    line += value;
    line += '\n';
  }
  Print(line);
}

// Each entry is written as soon as it is formed.
void PrintJson(const std::string& fileName, const OpenedDirectory& a,
               const std::vector<size_t>& listed, bool narrowed) {
  const ArchiveStats stats = ComputeArchiveStats(a.Table);
  std::string out = "{\"archive\":" + JsonString(fileName);
  out += ",\"complete\":" + std::string(a.Read.Complete ? "true" : "false");
  out += ",\"declared_count\":" + std::to_string(a.Read.DeclaredCount);
  out += ",\"entry_count\":" + std::to_string(a.Table.size());
  out += ",\"compressed_count\":" + std::to_string(stats.CompressedCount);
  out += ",\"empty_count\":" + std::to_string(stats.EmptyCount);
  out += ",\"total_size\":" + std::to_string(stats.TotalSize);
  if (narrowed) out += ",\"listed_count\":" + std::to_string(listed.size());
  out += ",\"entries\":[";
  Print(out);
  for (const size_t k : listed) {
    const ArchiveEntry& e = a.Table[k];
    out.clear();
    if (k != listed.front()) out += ',';
    out += "\n{\"index\":" + std::to_string(k + 1);
    out += ",\"name\":" + JsonString(io::Utf8FromCp1251(e.Name));
    out += ",\"path\":" + JsonString(io::Utf8FromCp1251(e.Path));
    out += ",\"offset\":" + std::to_string(e.Offset);
    out += ",\"stored_size\":" + std::to_string(e.StoredSize);
    out += ",\"size\":" + std::to_string(e.Size);
    // "spare" and "tail_marker" are the older names of the time and of the
    // alias's length, kept for the scripts that read them.
    out += ",\"spare\":" + std::to_string(e.Time);
    out += ",\"name_len\":" + std::to_string(e.NameLen);
    out += ",\"path_len\":" + std::to_string(e.PathLen);
    out += ",\"tail_marker\":" + std::to_string(e.AliasLen);
    out += ",\"compression\":" + std::to_string(e.Compression);
    out += ",\"time\":" + std::to_string(e.Time);
    out += ",\"alias\":" + JsonString(io::Utf8FromCp1251(e.AliasName));
    out += '}';
    Print(out);
  }
  Print("]}\n");
}

}  // namespace

int RunList(const std::vector<std::string>& args) {
  ListOptions o;
  const CommandOptions line = ListLine(o);
  const ParsedLine parsed = ParseCommandLine(line, args);
  if (parsed.Exit) return *parsed.Exit;
  if (parsed.Operands.empty()) return UsageError(line, "no archive given");
  const std::string& archiveName = parsed.Operands.front();
  // The words after the archive are patterns, as with --include.
  o.Selection.Includes.insert(o.Selection.Includes.end(), parsed.Operands.begin() + 1,
                              parsed.Operands.end());

  const OpenedDirectory archive = LoadArchive(archiveName, o.Mode);
  if (!archive.Usable()) return UnusableStatus(archive);
  const Selection selection = SelectEntries(archive.Table, o.Selection);
  const bool narrowed = o.Selection.Narrows();
  if (o.Json) {
    PrintJson(archiveName, archive, selection.Entries, narrowed);
  } else {
    PrintTable(archiveName, archive, selection.Entries, o.Long, narrowed);
  }
  std::fflush(stdout);
  WarnIfIncomplete(archiveName, archive);
  return archive.Read.Complete && !selection.Failed ? kExitOk : kExitIncomplete;
}

std::string ListSynopsis() {
  ListOptions o;
  return Synopsis(ListLine(o));
}

}  // namespace cli
