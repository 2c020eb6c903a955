// A fresh folder for one test, removed with everything in it afterwards.
#pragma once

#include <string>

namespace testarchive {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's name in the system's own form (UTF-8), no trailing separator.
  const std::string& Path() const { return path_; }
  // Path() + separator + name.
  std::string operator/(const std::string& name) const;

 private:
  std::string path_;
};

// The system's separator: "\" on Windows, "/" elsewhere.
char Separator();

}  // namespace testarchive
