// What tarnwick-cli create puts into the new archive, and update --add into
// an archive: one record per regular file of the folder, its name and path
// formed back the way extract forms them, in the order of the stored names.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "archive/path_formation.h"

namespace cli {

struct PlannedFile {
  std::string Relative;    // the file below the folder (UTF-8, "\" separated)
  std::string Name, Path;  // the record's, in code page 1251, as stored
  uint32_t Time = 0;       // the file's modification time, seconds since 1970
};

// The order of new records: by stored name, bytewise.
bool StoredBefore(const PlannedFile& a, const PlannedFile& b);

// The names the records of one archive bear. A new record is formed from its
// file's place: with PathMode::FromNames the folders joined to the name by
// dots, with PathMode::Stored the folders as the path; it is refused when
// extract could not give the file back from it, or when another record bears
// the same name already (Latin letters folded, as aliases and Windows take
// names), since the two could not both be given back.
class RecordNames {
 public:
  // Takes the names of an archive's records, as read before path formation.
  // A name that an alias of the archive looks for in vain is taken as well: a
  // new record bearing it would come to stand for the alias.
  void TakeArchive(const archive::EntryTable& stored, archive::PathMode mode);
  // Forms the record of the regular file at `relative` below `folder`, with
  // its time, and takes its name; none when it can go in, else why not.
  std::optional<std::string> Form(const std::string& folder, const std::string& relative,
                                  archive::PathMode mode, PlannedFile& planned);

 private:
  std::map<std::string, std::string> taken_;   // folded path and name -> who bears it, in words
  std::map<std::string, std::string> sought_;  // folded name -> an alias that finds nothing
};

struct CreatePlan {
  std::vector<PlannedFile> Files;  // by stored name, bytewise
  // A line for each file that cannot go into a record, with the reason;
  // nothing is written while there is one.
  std::vector<std::string> Refused;
};

// Walks `folder` and plans a record for each regular file below it. False
// with the failure's words when the folder cannot be read.
bool PlanArchive(const std::string& folder, archive::PathMode mode, CreatePlan& plan,
                 std::string& failure);

}  // namespace cli
