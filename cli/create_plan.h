// What tarnwick-cli create puts into the new archive: one record per regular
// file of the folder, its name and path formed back the way extract forms
// them, in the order of the stored names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/path_formation.h"

namespace cli {

struct PlannedFile {
  std::string Relative;    // the file below the folder (UTF-8, "\" separated)
  std::string Name, Path;  // the record's, in code page 1251, as stored
  uint32_t Time = 0;       // the file's modification time, seconds since 1970
};

struct CreatePlan {
  std::vector<PlannedFile> Files;  // by stored name, bytewise
  // A line for each file that cannot go into a record, with the reason;
  // nothing is written while there is one.
  std::vector<std::string> Refused;
};

// Walks `folder` and plans a record for each regular file below it. The name
// and path are what extract turns back into the file's place: with
// PathMode::FromNames the folders joined to the name by dots, with
// PathMode::Stored the folders as the path. False with the failure's words
// when the folder cannot be read.
bool PlanArchive(const std::string& folder, archive::PathMode mode, CreatePlan& plan,
                 std::string& failure);

}  // namespace cli
