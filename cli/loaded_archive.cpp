#include "cli/loaded_archive.h"

#include <cstdio>

#include "cli/json_text.h"

namespace cli {

using archive::DirectoryProblem;
using archive::OpenedDirectory;

std::string TooLargeText(uint64_t size) {
  if (size < 0xFFFFFFFFu) return std::string();
  return "it is too large for an .h4r archive (" + std::to_string(size) +
         " bytes; the format addresses at most 4294967294)";
}

std::string DirectoryProblemText(const std::string& fileName, const OpenedDirectory& opened) {
  const std::string name = PrintableText(fileName);
  const std::string declared = std::to_string(opened.Read.DeclaredCount);
  switch (opened.Problem) {
    case DirectoryProblem::None: return std::string();
    case DirectoryProblem::CannotOpen:
      return "cannot open " + name + ": " + PrintableText(opened.SystemError);
    case DirectoryProblem::TooLarge:
      return "cannot open " + name + ": " + TooLargeText(opened.FileSize);
    case DirectoryProblem::OutOfMemory: return "not enough memory to read the directory of " + name;
    case DirectoryProblem::NotAnArchive:
      return name + " does not look like an .h4r archive: its directory declares " + declared +
             " entries, the file has room for at most " + std::to_string(*opened.Read.Room);
    case DirectoryProblem::Unreachable: return "cannot read the directory of " + name;
    case DirectoryProblem::NegativeCount:
      return name + " is damaged: its directory declares " + declared + " entries";
    case DirectoryProblem::EndsInHeader:
      return name + " is damaged: the file ends inside its header";
    case DirectoryProblem::EndsEarly: break;
  }
  return name + " is damaged: its directory ends early, " + std::to_string(opened.Table.size()) +
         " of " + declared + " entries were read";
}

OpenedDirectory LoadArchive(const std::string& fileName, archive::PathMode mode) {
  OpenedDirectory opened = archive::OpenDirectory(fileName, mode);
  if (!opened.Usable())
    std::fprintf(stderr, "tarnwick-cli: %s\n", DirectoryProblemText(fileName, opened).c_str());
  return opened;
}

void WarnIfIncomplete(const std::string& fileName, const OpenedDirectory& opened) {
  if (opened.Problem == DirectoryProblem::None) return;
  std::fprintf(stderr, "tarnwick-cli: warning: %s\n",
               DirectoryProblemText(fileName, opened).c_str());
}

}  // namespace cli
