#include "extract/folder_creation.h"

#include "kol/file_backend.h"
#include "kol/file_helpers.h"
#include "kol/text_helpers.h"

namespace extract {

std::string StripTrailingBackslash(const std::string& text) {
  if (!text.empty() && text.back() == '\\') return text.substr(0, text.size() - 1);
  return text;
}

bool CreateFolderPath(const std::string& folder, std::string* failure) {
  // Every trailing backslash goes, not only one: the file system reads a run
  // of them as one separator, so "a\\b" must create "a" before "a\\b".
  std::string f = folder;
  while (!f.empty() && f.back() == '\\') f = StripTrailingBackslash(f);
  if (f.size() < 3) return true;
  if (kol::IsExistingDirectory(f)) return true;
  const std::string parent = kol::FileDirPart(f);
  if (parent == f) return true;
  if (!CreateFolderPath(parent, failure)) return false;
  if (kol::MakeDirectory(f)) return true;
  const std::string reason = kol::fs::LastErrorText();
  // Another writer (or another thread) may have made it meanwhile.
  if (kol::IsExistingDirectory(f)) return true;
  if (failure != nullptr) *failure = "cannot create folder " + f + ": " + reason;
  return false;
}

}  // namespace extract
