// The system's open-file and folder dialogs, and handing an address to the
// shell (Windows only). Texts and paths are UTF-8.
//
// Tests give the dialogs scripted answers: while answers are queued, Execute
// takes the next one instead of showing the system dialog, so the program's
// code calls the dialogs exactly as it always does.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/flags.h"
#include "ui/widget.h"

namespace ui {

// Each option gives the system's flag of the same name (OFN_...).
enum class OpenFileOption : std::uint32_t {
  CreatePrompt = 1u << 0,
  ExtensionDifferent = 1u << 1,
  FileMustExist = 1u << 2,
  HideReadOnly = 1u << 3,
  NoChangeDir = 1u << 4,
  NoDereferenceLinks = 1u << 5,
  AllowMultiSelect = 1u << 6,
  NoNetworkButton = 1u << 7,
  NoReadOnlyReturn = 1u << 8,
  OverwritePrompt = 1u << 9,
  PathMustExist = 1u << 10,
  ReadOnly = 1u << 11,
};
template <>
inline constexpr bool kIsOption<OpenFileOption> = true;
using OpenFileOptions = Flags<OpenFileOption>;

// Each option gives the system's flag of the same name (BIF_...).
enum class FolderOption : std::uint32_t {
  BrowseForComputer = 1u << 0,
  BrowseForPrinter = 1u << 1,
  DontGoBelowDomain = 1u << 2,
  ReturnFileSystemAncestors = 1u << 3,
  ReturnOnlyFileSystemFolders = 1u << 4,
};
template <>
inline constexpr bool kIsOption<FolderOption> = true;
using FolderOptions = Flags<FolderOption>;

class OpenFileDialog {
 public:
  // Pairs of description and pattern, all parts separated by "|":
  // "HOM&M IV Archives (*.h4r)|*.h4r".
  std::string Filter;
  int FilterIndex = 0;
  bool OpenDialog = true;        // false: a save dialog
  std::string InitialDir;        // empty: the system's choice
  std::string DefaultExtension;  // added to a typed name without one; no dot
  std::string FileName;          // in: the proposed name; out: the chosen path, or empty
  std::string Title;             // empty: the system's title
  OpenFileOptions Options;
  HWND OwnerWindow = nullptr;  // 0: the application window

  // True when the user chose a file (FileName holds its full path; with
  // multiple selection the folder and the names, separated by carriage
  // returns). False on cancel or failure, and FileName is then empty.
  bool Execute();

  // The answer for one Execute: the chosen path, or nothing for a cancel.
  using ScriptedAnswer = std::function<std::optional<std::string>(const OpenFileDialog&)>;
  static void ScriptAnswer(ScriptedAnswer answer);
  static size_t ScriptedAnswersLeft();
};

// No options means FileMustExist | HideReadOnly | OverwritePrompt | PathMustExist.
std::unique_ptr<OpenFileDialog> CreateOpenFileDialog(const std::string& title,
                                                     const std::string& initial_dir,
                                                     OpenFileOptions options);

class FolderDialog {
 public:
  std::string Title;  // shown above the folder tree
  FolderOptions Options;
  std::string FolderPath;   // the folder last chosen
  std::string InitialPath;  // preselected when the dialog opens
  bool CenterOnScreen = false;
  HWND OwnerWindow = nullptr;  // 0: the application window

  // True when a folder with a file-system path was chosen; FolderPath holds it.
  // On cancel FolderPath keeps the last choice.
  bool Execute();

  using ScriptedAnswer = std::function<std::optional<std::string>(const FolderDialog&)>;
  static void ScriptAnswer(ScriptedAnswer answer);
  static size_t ScriptedAnswersLeft();
};

// No options means ReturnOnlyFileSystemFolders.
std::unique_ptr<FolderDialog> CreateFolderDialog(const std::string& title, FolderOptions options);

// Hands a document or address (a web address, "mailto:...") to the shell's
// default action. Failures are not reported.
void ShellOpen(HWND owner, const std::string& address);

namespace detail {
// Replaces the shell call (tests record the addresses); returns the previous one.
using ShellOpenFunction = std::function<void(HWND owner, const std::string& address)>;
ShellOpenFunction ReplaceShellOpen(ShellOpenFunction function);
}  // namespace detail

}  // namespace ui
