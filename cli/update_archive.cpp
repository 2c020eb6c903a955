#include "cli/update_archive.h"

#include <cstdio>

#include "cli/json_text.h"
#include "cli/loaded_archive.h"
#include "cli/update_plan.h"

namespace cli {

std::optional<int> HeldArchive::Hold(const std::string& name, bool replacing) {
  name_ = name;
  std::string why;
  handle_ = io::fs::OpenFile(name, io::fs::kReadStreamFlags, &why);
  if (handle_ != io::fs::kInvalidHandle && !io::fs::IdentifyFile(handle_, identity_))
    why = io::fs::LastErrorText();
  // A file beyond what the format addresses is no archive: a damaged one.
  if (why.empty()) why = TooLargeText(identity_.Size);
  if (!why.empty()) {
    std::fprintf(stderr, "tarnwick-cli: cannot open %s: %s\n", name.c_str(),
                 PrintableText(why).c_str());
    return kExitUsage;
  }
  // Two runs that both copy the archive and append to it would each lose the
  // other's edits: the second is refused rather than made to wait for a run
  // that may itself be waiting for its user.
  if (!io::fs::LockAlone(handle_))
    return NothingWritten("another update of " + name + " is running");
  target_ = replacing ? io::fs::ResolvedName(name, handle_) : name;
  if (replacing && identity_.ReadOnly)
    return NothingWritten(name + " is read-only; write the result elsewhere with -o NEW");
  if (replacing && identity_.Links > 1) {
    return NothingWritten(
        name + " has " + std::to_string(identity_.Links) +
        " names (hard links), which a new file in its place would part; write the "
        "result elsewhere with -o NEW");
  }
  return std::nullopt;
}

bool HeldArchive::Unchanged(std::string& why) const {
  io::fs::FileIdentity now;
  if (!io::fs::IdentifyName(target_, now)) {
    why = name_ + " cannot be looked at any more: " + io::fs::LastErrorText();
    return false;
  }
  if (now.SameAs(identity_)) return true;
  why = name_ + " was changed or replaced by another program during the update";
  return false;
}

void HeldArchive::Close() {
  io::fs::CloseFile(handle_);
  handle_ = io::fs::kInvalidHandle;
}

}  // namespace cli
