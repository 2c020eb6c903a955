// The system's open-file and folder dialogs, and handing an address to the
// shell (Windows only). Texts and paths are UTF-8.
//
// Tests give the dialogs scripted answers: while answers are queued, Execute
// takes the next one instead of showing the system dialog, so the program's
// code calls the dialogs exactly as it always does.
#pragma once

#include <windows.h>
// after windows.h
#include <commdlg.h>
#include <shlobj.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "ui/widget.h"

namespace ui {

class OpenFileDialog {
 public:
  // Pairs of description and pattern, all parts separated by "|":
  // "HOM&M IV Archives (*.h4r)|*.h4r".
  std::string Filter;
  std::string InitialDir;        // empty: the system's choice
  std::string DefaultExtension;  // added to a typed name without one; no dot
  std::string FileName;          // in: the proposed name; out: the chosen path, or empty
  std::string Title;             // empty: the system's title
  DWORD Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;  // OFN_ flags
  HWND OwnerWindow = nullptr;  // 0: the application window

  // True when the user chose a file (FileName holds its full path). False on
  // cancel or failure, and FileName is then empty.
  bool Execute();

  // The answer for one Execute: the chosen path, or nothing for a cancel.
  using ScriptedAnswer = std::function<std::optional<std::string>(const OpenFileDialog&)>;
  static void ScriptAnswer(ScriptedAnswer answer);
  static size_t ScriptedAnswersLeft();
};

class FolderDialog {
 public:
  std::string Title;                  // shown above the folder tree
  UINT Flags = BIF_RETURNONLYFSDIRS;  // BIF_ flags
  std::string FolderPath;             // the folder last chosen
  std::string InitialPath;            // preselected when the dialog opens
  bool CenterOnScreen = false;
  HWND OwnerWindow = nullptr;  // 0: the application window

  // True when a folder with a file-system path was chosen; FolderPath holds it.
  // On cancel FolderPath keeps the last choice.
  bool Execute();

  using ScriptedAnswer = std::function<std::optional<std::string>(const FolderDialog&)>;
  static void ScriptAnswer(ScriptedAnswer answer);
};

// Hands a document or address (a web address, "mailto:...") to the shell's
// default action. Failures are not reported.
void ShellOpen(HWND owner, const std::string& address);

namespace detail {
// Replaces the shell call (tests record the addresses); returns the previous one.
using ShellOpenFunction = std::function<void(HWND owner, const std::string& address)>;
ShellOpenFunction ReplaceShellOpen(ShellOpenFunction function);
}  // namespace detail

}  // namespace ui
