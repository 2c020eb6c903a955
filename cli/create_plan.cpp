#include "cli/create_plan.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <set>

#include "cli/entry_selection.h"
#include "cli/json_text.h"
#include "cli/update_folder.h"
#include "extract/entry_extraction.h"
#include "io/text_encoding.h"

namespace cli {
namespace {

using archive::ArchiveEntry;
using archive::PathMode;

std::string FoldedLatin(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The record's name and path for the file at `relative` ("\" separated, in
// code page 1251), or why extract could not give the file back from them.
std::optional<std::string> FormRecord(const std::string& relative, PathMode mode,
                                      PlannedFile& planned) {
  const size_t cut = relative.rfind('\\');
  const std::string folder = cut == std::string::npos ? "" : relative.substr(0, cut + 1);
  planned.Name = relative.substr(cut == std::string::npos ? 0 : cut + 1);
  planned.Path = folder;
  if (mode == PathMode::FromNames) {
    planned.Name = relative;
    std::replace(planned.Name.begin(), planned.Name.end(), '\\', '.');
    planned.Path.clear();
    // The inner dots of the name are read back as folders: only a name that
    // gives this file back can stand for it.
    archive::EntryTable formed{ArchiveEntry{.Name = planned.Name, .Path = "", .AliasName = ""}};
    archive::FormPaths(formed);
    if (formed[0].Path + formed[0].Name != relative) {
      return "extract would read the dots of its name as folders (use --stored-paths)";
    }
  }
  if (planned.Name.size() > archive::kMaxEntryText ||
      planned.Path.size() > archive::kMaxEntryText) {
    return "its name or path is longer than a record holds (" +
           std::to_string(archive::kMaxEntryText) + " bytes)";
  }
  std::string formedFolder = folder, formedName = relative.substr(folder.size());
  if (extract::ConfinementProblem(formedFolder, formedName) != extract::Problem::None) {
    return "extract would refuse its name";
  }
  return std::nullopt;
}

uint32_t ModifiedTime(const std::string& file) {
  std::string system = file;
#ifndef _WIN32
  std::replace(system.begin(), system.end(), '\\', '/');
#endif
  std::error_code error;
  const auto written = std::filesystem::last_write_time(
      std::filesystem::path(std::u8string(system.begin(), system.end())), error);
  if (error) return 0;
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
                           std::chrono::file_clock::to_sys(written).time_since_epoch())
                           .count();
  return seconds <= 0 || seconds > UINT32_MAX ? 0 : static_cast<uint32_t>(seconds);
}

// The key of a record's name: its folders as extract reads them, Latin
// letters folded.
std::string NameKey(const std::string& path, const std::string& name) {
  return FoldedLatin(Key(path + "\\" + name));
}

}  // namespace

bool StoredBefore(const PlannedFile& a, const PlannedFile& b) {
  return a.Name != b.Name ? a.Name < b.Name : a.Path < b.Path;
}

void RecordNames::TakeArchive(const archive::EntryTable& stored, PathMode mode) {
  // Each record is named as extract reads it: by its name alone, or by its
  // stored path and name.
  const auto shown = [mode](const ArchiveEntry& e) {
    return PrintableText(io::Utf8FromCp1251(mode == PathMode::Stored ? FormedName(e) : e.Name));
  };
  std::set<std::string> borne;  // folded names that a record with data bears
  for (const ArchiveEntry& e : stored) {
    taken_.emplace(NameKey(mode == PathMode::Stored ? e.Path : "", e.Name),
                   "the entry " + shown(e));
    if (!e.IsAlias()) borne.insert(FoldedLatin(e.Name));
  }
  for (const ArchiveEntry& e : stored) {
    if (e.IsAlias() && !borne.contains(FoldedLatin(e.AliasName)))
      sought_.emplace(FoldedLatin(e.AliasName), shown(e));
  }
}

std::optional<std::string> RecordNames::Form(const std::string& folder, const std::string& relative,
                                             PathMode mode, PlannedFile& planned) {
  planned.Relative = relative;
  const std::optional<std::string> stored = io::Cp1251FromUtf8(relative);
  if (!stored) return "its name is not in code page 1251";
  if (std::optional<std::string> why = FormRecord(*stored, mode, planned)) return why;
  if (const auto alias = sought_.find(FoldedLatin(planned.Name)); alias != sought_.end())
    return "the alias " + alias->second + " of the archive would come to stand for it";
  const auto [at, added] =
      taken_.emplace(NameKey(planned.Path, planned.Name), ShownPath(folder + "\\" + relative));
  if (!added) return "it forms the same name as " + at->second;
  planned.Time = ModifiedTime(folder + "\\" + relative);
  return std::nullopt;
}

bool PlanArchive(const std::string& folder, PathMode mode, CreatePlan& plan, std::string& failure) {
  std::map<std::string, FoundName> found;
  if (!WalkFolder(folder, found, failure)) return false;
  RecordNames names;
  for (const auto& [key, name] : found) {
    if (name.Type == Kind::Folder) continue;
    const std::string shown = ShownPath(folder + "\\" + name.Relative);
    if (name.Type != Kind::File) {
      plan.Refused.push_back(shown + (name.Type == Kind::Link ? ": a link, which is never followed"
                                                              : ": not a regular file"));
      continue;
    }
    PlannedFile planned;
    if (const std::optional<std::string> why = names.Form(folder, name.Relative, mode, planned)) {
      plan.Refused.push_back(shown + ": " + *why);
      continue;
    }
    plan.Files.push_back(std::move(planned));
  }
  std::sort(plan.Files.begin(), plan.Files.end(), StoredBefore);
  return true;
}

}  // namespace cli
