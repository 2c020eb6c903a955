// The main window: its record of control references, the module-level state of
// a loaded archive, and the start-up sequence that builds every window of the
// program (Windows only).
//
//   std::unique_ptr<kol::Widget> app = kol::CreateApplicationWindow("tarnwick");
//   CreateProgramWindows(*app);   // main window, status window, dialogs
//   kol::RunApplication(app);
//
// Commands reach the controls through MainForm() and the archive through
// MainUnit(); row r of FileList always shows MainUnit().Entries[r].
#pragma once

#include <string>

#include "archive/archive_entry.h"
#include "archive/archive_stats.h"
#include "kol/widgets/file_dialogs.h"
#include "kol/widgets/list_view.h"
#include "kol/widgets/menu.h"
#include "kol/widgets/widget.h"

// Text colour of the value labels and of the archive name.
inline constexpr kol::Color kNavy = 0x800000;

// The menu items of MainMenu, counted without the separator.
enum MainMenuItem { kMenuFile = 0, kMenuOpenArchive = 1, kMenuExit = 2, kMenuAbout = 3 };

struct MainWindow {
  kol::Widget* Form = nullptr;
  kol::Menu* MainMenu = nullptr;
  kol::ListView* FileList = nullptr;
  kol::Widget* SidePanel = nullptr;

  kol::Widget* ActionsGroup = nullptr;
  kol::Widget* SelectedCountValue = nullptr;
  kol::Widget* SelectAllButton = nullptr;
  kol::Widget* SelectCompressedButton = nullptr;
  kol::Widget* SkipEmptyCheck = nullptr;
  kol::Widget* InvertSelectionButton = nullptr;
  kol::Widget* ExtractSelectedButton = nullptr;
  kol::Widget* ExtractAllButton = nullptr;
  kol::Widget* SelectByMaskButton = nullptr;

  kol::Widget* ArchiveGroup = nullptr;
  kol::Widget* TotalSizeValue = nullptr;
  kol::Widget* TotalFilesValue = nullptr;
  kol::Widget* CompressedValue = nullptr;
  kol::Widget* EmptyValue = nullptr;
  kol::Widget* ArchiveNameEdit = nullptr;

  kol::OpenFileDialog* ArchiveDialog = nullptr;
  kol::FolderDialog* UnpackFolderDialog = nullptr;

  // Event handlers of the window's menu items, buttons and list.
  void FormShow();               // each time the window is shown
  void OpenArchiveClick();       // "Открыть архив..."
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
  EntryTable Entries;           // the loaded archive's directory
  ArchiveStats Stats;           // its counts, as shown in the panel
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

MainWindow& MainForm();    // the main window; valid once it has been built
MainUnitState& MainUnit();  // module-level state of the main window's unit
