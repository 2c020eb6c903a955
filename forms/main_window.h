// The main window: its record of control references, the state of a loaded
// archive, the program's other windows, and the start-up sequence that builds
// every window of the program (Windows only).
//
//   std::unique_ptr<ui::Widget> app = ui::CreateApplicationWindow("tarnwick");
//   forms::MainWindow& main = forms::CreateProgramWindows(*app);
//   forms::RunProgram(app, main, arguments);
//
// The main window's commands reach the controls, the archive and the other
// windows through the MainWindow object, and hand each command what it works
// on; row r of FileList always shows Unit.Entries[r].
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "archive/archive_stats.h"
#include "ui/controls.h"
#include "ui/file_dialogs.h"
#include "ui/list_view.h"
#include "ui/menu.h"
#include "ui/widget.h"

namespace forms {

// The menu items of MainMenu, counted without the separator.
enum MainMenuItem { kMenuFile = 0, kMenuOpenArchive = 1, kMenuExit = 2, kMenuAbout = 3 };

struct OpeningWindow;
struct MaskDialog;
struct PathModeDialog;

// What the program knows of the loaded archive, and the dialogs' starting folders.
struct MainUnitState {
  archive::EntryTable Entries;  // the loaded archive's directory
  archive::ArchiveStats Stats;  // its counts, as shown in the panel
  std::string ArchiveFileName;  // the loaded archive (UTF-8); empty before the first opening
  std::string LastArchiveFolder;
  std::string LastUnpackFolder;
};

struct MainWindow {
  ui::Widget* Form = nullptr;
  ui::Menu* MainMenu = nullptr;
  ui::ListView* FileList = nullptr;
  ui::Panel* SidePanel = nullptr;

  ui::GroupBox* ActionsGroup = nullptr;
  ui::Label* SelectedCountValue = nullptr;
  ui::Button* SelectAllButton = nullptr;
  ui::Button* SelectCompressedButton = nullptr;
  ui::CheckBox* SkipEmptyCheck = nullptr;
  ui::Button* InvertSelectionButton = nullptr;
  ui::Button* ExtractSelectedButton = nullptr;
  ui::Button* ExtractAllButton = nullptr;
  ui::Button* SelectByMaskButton = nullptr;

  ui::GroupBox* ArchiveGroup = nullptr;
  ui::Label* TotalSizeValue = nullptr;
  ui::Label* TotalFilesValue = nullptr;
  ui::Label* CompressedValue = nullptr;
  ui::Label* EmptyValue = nullptr;
  ui::EditBox* ArchiveNameEdit = nullptr;

  ui::OpenFileDialog* ArchiveDialog = nullptr;
  ui::FolderDialog* UnpackFolderDialog = nullptr;

  // The program's other windows, built with this one (CreateProgramWindows).
  OpeningWindow* Status = nullptr;
  MaskDialog* Mask = nullptr;
  PathModeDialog* PathMode = nullptr;

  MainUnitState Unit;
  std::string PendingArchive;  // for OpenArchiveSoon

  // Event handlers of the window's menu items, buttons and list.
  void FormShow();          // each time the window is shown
  void OpenArchiveClick();  // "Открыть архив..."
  // As "Открыть архив..." once the file has been chosen: the path dialog, the
  // reading and the list.
  void OpenArchiveFile(const std::string& fileName);
  // The same from inside the message loop, once it runs (the path dialog needs it).
  void OpenArchiveSoon(const std::string& fileName);
  void ExitClick();              // "Выход"
  void AboutClick();             // "О Программе..."
  void FileListClick();          // left or right click in the list
  void SelectAllClick();         // "Выделить все"
  void SelectCompressedClick();  // "Выделить только сжатые"
  void InvertSelectionClick();   // "Инвертировать выделение"
  void SelectByMaskClick();      // "Выделение по маске..."
  void ExtractSelectedClick();   // "Распаковать выделенное в..."
  void ExtractAllClick();        // "Распаковать все в..."
};

// The main window, the status window, the select-by-mask dialog and the path
// formation dialog, in that order, all under `application`, which owns them;
// the main window, hidden until the application shows it, knows the others.
MainWindow& CreateProgramWindows(ui::Widget& application);

// Opens the archive named first among `arguments` (the command line after the
// program's name, as Explorer gives a file opened with the program) and runs
// the application until the main window is closed.
void RunProgram(std::unique_ptr<ui::Widget>& application, MainWindow& main,
                const std::vector<std::string>& arguments);
// The same, with the program's windows built first.
void RunProgram(const std::vector<std::string>& arguments);

}  // namespace forms
