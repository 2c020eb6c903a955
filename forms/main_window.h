// The main window: its record of control references, the module-level state of
// a loaded archive, and the start-up sequence that builds every window of the
// program (Windows only).
//
//   std::unique_ptr<kol::Widget> app = kol::CreateApplicationWindow("tarnwick");
//   forms::CreateProgramWindows(*app);   // main window, status window, dialogs
//   kol::RunApplication(app);
//
// Commands reach the controls through MainForm() and the archive through
// MainUnit(); row r of FileList always shows MainUnit().Entries[r].
#pragma once

#include <string>
#include <vector>

#include "archive/archive_entry.h"
#include "archive/archive_stats.h"
#include "kol/widgets/controls.h"
#include "kol/widgets/file_dialogs.h"
#include "kol/widgets/list_view.h"
#include "kol/widgets/menu.h"
#include "kol/widgets/widget.h"

namespace forms {

// The menu items of MainMenu, counted without the separator.
enum MainMenuItem { kMenuFile = 0, kMenuOpenArchive = 1, kMenuExit = 2, kMenuAbout = 3 };

struct MainWindow {
  kol::Widget* Form = nullptr;
  kol::Menu* MainMenu = nullptr;
  kol::ListView* FileList = nullptr;
  kol::Panel* SidePanel = nullptr;

  kol::GroupBox* ActionsGroup = nullptr;
  kol::Label* SelectedCountValue = nullptr;
  kol::Button* SelectAllButton = nullptr;
  kol::Button* SelectCompressedButton = nullptr;
  kol::CheckBox* SkipEmptyCheck = nullptr;
  kol::Button* InvertSelectionButton = nullptr;
  kol::Button* ExtractSelectedButton = nullptr;
  kol::Button* ExtractAllButton = nullptr;
  kol::Button* SelectByMaskButton = nullptr;

  kol::GroupBox* ArchiveGroup = nullptr;
  kol::Label* TotalSizeValue = nullptr;
  kol::Label* TotalFilesValue = nullptr;
  kol::Label* CompressedValue = nullptr;
  kol::Label* EmptyValue = nullptr;
  kol::EditBox* ArchiveNameEdit = nullptr;

  kol::OpenFileDialog* ArchiveDialog = nullptr;
  kol::FolderDialog* UnpackFolderDialog = nullptr;

  std::string PendingArchive;  // for OpenArchiveSoon

  // Event handlers of the window's menu items, buttons and list.
  void FormShow();          // each time the window is shown
  void OpenArchiveClick();  // "Открыть архив..."
  // As "Открыть архив..." once the file has been chosen: the path dialog, the
  // reading and the list.
  void OpenArchiveFile(const std::string& file_name);
  // The same from inside the message loop, once it runs (the path dialog needs it).
  void OpenArchiveSoon(const std::string& file_name);
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

// What the program knows of the loaded archive, and the dialogs' starting folders.
struct MainUnitState {
  archive::EntryTable Entries;  // the loaded archive's directory
  archive::ArchiveStats Stats;  // its counts, as shown in the panel
  std::string ArchiveFileName;  // the loaded archive (UTF-8); empty before the first opening
  std::string LastArchiveFolder;
  std::string LastUnpackFolder;
};

// Builds the main window under the application window, hidden until the
// application shows it, and makes it the unit's window.
MainWindow* CreateMainWindow(kol::Widget& parent);

// The main window, the status window, the select-by-mask dialog and the path
// formation dialog, in that order, all under `application`.
void CreateProgramWindows(kol::Widget& application);

// Builds the program's windows, opens the archive named first among
// `arguments` (the command line after the program's name, as Explorer gives a
// file opened with the program) and runs until the main window is closed.
void RunProgram(const std::vector<std::string>& arguments);

MainWindow& MainForm();     // the main window; valid once it has been built
MainUnitState& MainUnit();  // module-level state of the main window's unit

}  // namespace forms
