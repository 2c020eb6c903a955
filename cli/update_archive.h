// The archive that tarnwick-cli update works on, held open and locked for
// the whole run, and what must still hold before its result is put in place.
#pragma once

#include <optional>
#include <string>

#include "io/file_backend.h"

namespace cli {

class HeldArchive {
 public:
  HeldArchive() = default;
  HeldArchive(const HeldArchive&) = delete;
  HeldArchive& operator=(const HeldArchive&) = delete;
  ~HeldArchive() { Close(); }

  // Opens `name` and locks it against another update; with `replacing`
  // also refuses an archive that a new file could not stand in for (read-only,
  // or with other names). None when held; otherwise the exit status, said.
  std::optional<int> Hold(const std::string& name, bool replacing);
  // Whether the archive's name still stands for the file read, as it was
  // then; false with the reason when another program has changed or
  // replaced it meanwhile.
  bool Unchanged(std::string& why) const;
  // Windows renames nothing over a file that is open: closed just before.
  void Close();

  io::fs::FileHandle Handle() const { return handle_; }
  const io::fs::FileIdentity& Identity() const { return identity_; }
  // The file a new archive takes the place of: the archive, its links
  // resolved, so that a link stays a link and the file it points to is updated.
  const std::string& Target() const { return target_; }

 private:
  io::fs::FileHandle handle_ = io::fs::kInvalidHandle;
  io::fs::FileIdentity identity_;
  std::string name_, target_;
};

}  // namespace cli
