#include "cli/create_plan.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>

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

}  // namespace

bool PlanArchive(const std::string& folder, PathMode mode, CreatePlan& plan, std::string& failure) {
  std::map<std::string, FoundName> found;
  if (!WalkFolder(folder, found, failure)) return false;
  // Two files whose records would bear one name (Latin letters folded, as
  // aliases and Windows take names) could not both be given back.
  std::map<std::string, std::string> taken;
  for (const auto& [key, name] : found) {
    if (name.Type == Kind::Folder) continue;
    const std::string shown = ShownPath(folder + "\\" + name.Relative);
    if (name.Type != Kind::File) {
      plan.Refused.push_back(shown + (name.Type == Kind::Link ? ": a link, which is never followed"
                                                              : ": not a regular file"));
      continue;
    }
    PlannedFile planned;
    planned.Relative = name.Relative;
    const std::optional<std::string> relative = io::Cp1251FromUtf8(name.Relative);
    std::optional<std::string> why =
        relative ? FormRecord(*relative, mode, planned)
                 : std::optional<std::string>("its name is not in code page 1251");
    const std::string same = FoldedLatin(planned.Path + "\\" + planned.Name);
    if (!why) {
      const auto [at, added] = taken.emplace(same, shown);
      if (!added) why = "it forms the same name as " + at->second;
    }
    if (why) {
      plan.Refused.push_back(shown + ": " + *why);
      continue;
    }
    planned.Time = ModifiedTime(folder + "\\" + planned.Relative);
    plan.Files.push_back(std::move(planned));
  }
  std::sort(plan.Files.begin(), plan.Files.end(), [](const PlannedFile& a, const PlannedFile& b) {
    return a.Name != b.Name ? a.Name < b.Name : a.Path < b.Path;
  });
  return true;
}

}  // namespace cli
