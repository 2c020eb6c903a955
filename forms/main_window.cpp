// The main window: built control by control in tab order, with the handlers of
// its menu, list and buttons.
#include "forms/main_window.h"

#include <windows.h>
// after windows.h
#include <shellapi.h>

#include <memory>
#include <optional>
#include <utility>

#include "archive/desktop/open_archive.h"
#include "extract/desktop/unpack_commands.h"
#include "forms/about_dialog.h"
#include "forms/colors.h"
#include "forms/mask_dialog.h"
#include "forms/path_mode_dialog.h"
#include "forms/status_window.h"
#include "forms/user_message.h"
#include "io/file_backend.h"
#include "io/wide_text.h"
#include "selection/desktop/selection_commands.h"
#include "ui/controls.h"
#include "ui/font_object.h"
#include "ui/message_loop.h"
// made by CMake from the project version
#include "tarnwick_version.h"

using namespace ui;

namespace forms {

namespace {

constexpr Color kBlack = 0;

// Posted to the main window by OpenArchiveSoon.
constexpr UINT kOpenPendingArchive = WM_APP + 0x41;

bool IsArchiveName(const std::wstring& name) {
  const size_t dot = name.rfind(L'.');
  return dot != std::wstring::npos &&
         CompareStringOrdinal(name.c_str() + dot, -1, L".h4r", -1, TRUE) == CSTR_EQUAL;
}

// What Explorer hands over can hold folders and files of every kind; only an
// archive is opened, the first one named.
std::optional<std::string> FirstDroppedArchive(HDROP drop) {
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  for (UINT i = 0; i < count; ++i) {
    std::wstring name(DragQueryFileW(drop, i, nullptr, 0) + 1, L'\0');
    name.resize(DragQueryFileW(drop, i, name.data(), static_cast<UINT>(name.size())));
    const DWORD attributes = GetFileAttributesW(name.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    if (IsArchiveName(name)) return io::Utf8FromWide(name);
  }
  return std::nullopt;
}

// The opening tells the user about a file by the name it shows in the panel.
std::string FullPathOf(const std::string& fileName) {
  const std::wstring wide = io::WideFromUtf8(fileName);
  std::wstring full(GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr) + 1, L'\0');
  const DWORD length =
      GetFullPathNameW(wide.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) return fileName;
  full.resize(length);
  return io::Utf8FromWide(full);
}

Label* AddLabel(Widget& group, const std::string& text, int x, int y, int w, Color color,
                bool centredVertically) {
  Label* label = CreateLabel(group, text);
  label->SetPosition(x, y).SetSize(w, 17);
  label->GetFont().SetColor(color);
  if (centredVertically) label->SetVerticalAlign(VerticalAlign::Center);
  return label;
}

Button* AddButton(Widget& group, const std::string& text, int y, std::function<void()> click) {
  Button* button = CreateButton(group, text);
  button->SetPosition(8, y).SetSize(169, 22);
  button->SetEnabled(false);
  button->OnClick = [click = std::move(click)](Widget&) { click(); };
  return button;
}

GroupBox* AddGroup(Widget& panel, const std::string& text, int y, int height) {
  GroupBox* group = CreateGroupBox(panel, text);
  group->SetPosition(2, y).SetSize(183, height);
  // Every control created inside takes a copy of this font.
  group->GetFont().SetHeight(-11);
  group->SetBorder(2);
  return group;
}

// The main window, hidden until the application shows it.
MainWindow* CreateMainWindow(Widget& parent) {
  Widget* form = CreateForm(parent, "Tarnwick v" TARNWICK_VERSION " (Heroes of Might & Magic IV)");
  form->SetPosition(175, 167).SetSize(765, 388);
  MainWindow* m = form->AddToAutoFree(std::make_unique<MainWindow>());
  m->Form = form;
  form->OnShow = [m](Widget&) { m->FormShow(); };

  auto menu =
      CreateMenuBar({"&Файл", "(", "&Открыть архив...", "-", "&Выход", ")", "О &Программе..."});
  menu->SetItemEvent(kMenuOpenArchive, [m](Menu&, int) { m->OpenArchiveClick(); });
  menu->SetItemEvent(kMenuExit, [m](Menu&, int) { m->ExitClick(); });
  menu->SetItemEvent(kMenuAbout, [m](Menu&, int) { m->AboutClick(); });
  menu->AddAccelerator(kMenuOpenArchive, FCONTROL, 'O');
  m->MainMenu = menu.get();
  form->SetMenu(std::move(menu));

  m->ArchiveDialog = form->AddToAutoFree(std::make_unique<OpenFileDialog>());
  m->ArchiveDialog->Filter = "HOM&M IV Archives (*.h4r)|*.h4r";
  m->ArchiveDialog->DefaultExtension = "h4r";
  m->UnpackFolderDialog = form->AddToAutoFree(std::make_unique<FolderDialog>());
  m->UnpackFolderDialog->Title = "Укажите путь для распаковки";
  m->UnpackFolderDialog->CenterOnScreen = true;

  m->FileList = CreateListView(*form, LVS_REPORT | LVS_SHOWSELALWAYS, LVS_EX_FULLROWSELECT);
  m->FileList->SetAlign(Align::Client);
  m->FileList->SetColor(kWindowColor);
  m->FileList->OnClick = [m](Widget&) { m->FileListClick(); };
  m->FileList->AttachHandler([m](Widget&, UINT message, WPARAM key, LPARAM, LRESULT& result) {
    if (message != WM_KEYDOWN || key != 'A' || GetKeyState(VK_CONTROL) >= 0 ||
        !m->SelectAllButton->Enabled()) {
      return false;
    }
    m->SelectAllClick();
    result = 0;
    return true;
  });

  m->SidePanel = CreatePanel(*form);
  m->SidePanel->SetAlign(Align::Right);
  m->SidePanel->SetWidth(189);
  m->SidePanel->SetBorder(0);

  Widget& actions = *(m->ActionsGroup = AddGroup(*m->SidePanel, " Действия ", 120, 217));
  AddLabel(actions, "Выделено:", 8, 112, 64, kBlack, true);
  m->SelectedCountValue = AddLabel(actions, "0", 72, 112, 105, kNavy, true);
  m->SelectAllButton = AddButton(actions, "Выделить все", 16, [m] { m->SelectAllClick(); });
  m->SelectCompressedButton =
      AddButton(actions, "Выделить только сжатые", 40, [m] { m->SelectCompressedClick(); });
  m->SkipEmptyCheck = CreateCheckBox(actions, "Игнорировать пустые файлы");
  m->SkipEmptyCheck->SetPosition(8, 131).SetSize(169, 22);
  m->SkipEmptyCheck->SetChecked(true);
  m->InvertSelectionButton =
      AddButton(actions, "Инвертировать выделение", 64, [m] { m->InvertSelectionClick(); });
  m->ExtractSelectedButton =
      AddButton(actions, "Распаковать выделенное в...", 160, [m] { m->ExtractSelectedClick(); });
  m->ExtractAllButton =
      AddButton(actions, "Распаковать все в...", 184, [m] { m->ExtractAllClick(); });
  m->SelectByMaskButton =
      AddButton(actions, "Выделение по маске...", 88, [m] { m->SelectByMaskClick(); });

  Widget& archive = *(m->ArchiveGroup = AddGroup(*m->SidePanel, " Текущий архив ", 0, 115));
  // To the group's inner edge: 1,199,985,070 needs 69 of the label's pixels.
  m->TotalSizeValue = AddLabel(archive, "0", 96, 96, 81, kNavy, false);
  AddLabel(archive, "Сжатых:", 8, 64, 81, kBlack, false);
  AddLabel(archive, "Общий размер:", 8, 96, 81, kBlack, false);
  m->TotalFilesValue = AddLabel(archive, "0", 96, 48, 64, kNavy, false);
  m->CompressedValue = AddLabel(archive, "0", 96, 64, 64, kNavy, false);
  AddLabel(archive, "Всего файлов:", 8, 48, 81, kBlack, false);
  AddLabel(archive, "Пустых:", 8, 80, 81, kBlack, false);
  m->EmptyValue = AddLabel(archive, "0", 96, 80, 64, kNavy, false);
  AddLabel(archive, "Архив:", 8, 24, 33, kBlack, true);
  m->ArchiveNameEdit = CreateEditBox(archive, ES_READONLY);
  m->ArchiveNameEdit->SetPosition(48, 24).SetSize(129, 22);
  m->ArchiveNameEdit->SetColor(kButtonFaceColor);
  m->ArchiveNameEdit->GetFont().SetColor(kNavy);
  m->ArchiveNameEdit->SetText("<не открыт>");

  form->SetBorder(2);
  HWND window = form->GetWindowHandle();
  DragAcceptFiles(window, TRUE);
  form->AttachHandler([m](Widget& self, UINT message, WPARAM wparam, LPARAM, LRESULT& result) {
    if (message == WM_DROPFILES) {
      auto drop = reinterpret_cast<HDROP>(wparam);
      const std::optional<std::string> file = FirstDroppedArchive(drop);
      DragFinish(drop);
      // Not while a dialog of ours is up: the opening would nest inside it.
      if (file && self.Enabled()) m->OpenArchiveFile(*file);
    } else if (message == kOpenPendingArchive) {
      if (!m->PendingArchive.empty()) m->OpenArchiveFile(std::exchange(m->PendingArchive, {}));
    } else {
      return false;
    }
    result = 0;
    return true;
  });
  m->ArchiveDialog->OwnerWindow = window;
  m->UnpackFolderDialog->OwnerWindow = window;

  form->SetPosition(FloorDiv(GetSystemMetrics(SM_CXSCREEN) - 765, 2),
                    FloorDiv(GetSystemMetrics(SM_CYSCREEN) - 388, 2));

  m->FileList->AddColumn("Имя файла", TextAlign::Left, 160);
  m->FileList->AddColumn("Путь", TextAlign::Left, 160);
  m->FileList->AddColumn("Размер", TextAlign::Left, 70);
  m->FileList->AddColumn("Сжатый", TextAlign::Left, 54);
  m->Unit.LastArchiveFolder = io::fs::CurrentDirectory();
  m->Unit.LastUnpackFolder = m->Unit.LastArchiveFolder;
  return m;
}

}  // namespace

MainWindow& CreateProgramWindows(Widget& application) {
  MainWindow* m = CreateMainWindow(application);
  m->Status = CreateOpeningWindow(application);
  m->Mask = CreateMaskDialog(application);
  m->PathMode = CreatePathModeDialog(application);
  return *m;
}

// ---------------------------------------------------------------- handlers

namespace {

// What the About box says of the program. It has no mail or web address of
// its own to give yet: the box says so rather than show a made-up one.
constexpr const char* kAuthor = "Проект Tarnwick";
constexpr const char* kEmail = "";
constexpr const char* kWeb = "";

selection::SelectionTarget SelectionTargetOf(MainWindow& m) {
  return {*m.FileList, m.Unit.Entries, *m.SelectedCountValue, *m.Status->StatusForm,
          *m.Status->StatusLabel};
}

archive::OpenTarget OpenTargetOf(MainWindow& m) {
  return {.Dialog = *m.ArchiveDialog,
          .LastArchiveFolder = m.Unit.LastArchiveFolder,
          .AskPathMode = [&m] { return AskPathMode(*m.PathMode); },
          .StatusForm = *m.Status->StatusForm,
          .StatusLabel = *m.Status->StatusLabel,
          .List = *m.FileList,
          .Listed = m.Unit.Entries,
          .ArchiveName = *m.ArchiveNameEdit,
          .TotalFiles = *m.TotalFilesValue,
          .Compressed = *m.CompressedValue,
          .Empty = *m.EmptyValue,
          .TotalSize = *m.TotalSizeValue,
          .SelectedCount = *m.SelectedCountValue,
          .Commands = {m.SelectAllButton, m.SelectCompressedButton, m.InvertSelectionButton,
                       m.ExtractSelectedButton, m.ExtractAllButton, m.SelectByMaskButton}};
}

extract::UnpackTarget UnpackTargetOf(MainWindow& m) {
  return {*m.FileList,       m.Unit.Entries,        m.Unit.ArchiveFileName,
          *m.SkipEmptyCheck, *m.Status->StatusForm, *m.Status->StatusLabel};
}

// The menu command, or a file already chosen.
void OpenArchive(MainWindow& m, std::optional<std::string> fileName) {
  archive::OpenTarget target = OpenTargetOf(m);
  target.GivenFile = std::move(fileName);
  archive::OpenResult opened = archive::OpenArchive(target);
  if (!opened.FileName) return;
  m.Unit.ArchiveFileName = std::move(*opened.FileName);
  m.Unit.Entries = std::move(opened.Entries);
  m.Unit.Stats = opened.Stats;
  // Told once everything is in place: the list already shows what could be read.
  if (!opened.Message.empty()) ShowUserMessage(opened.Message);
}

// The commands run silently; what went wrong is told once, at their end.
void TellFailures(const extract::UnpackReport& report) {
  const std::string message = extract::FailureMessage(report);
  if (!message.empty()) ShowUserMessage(message);
}

}  // namespace

// One About box at a time: the box built on the first showing is kept.
void MainWindow::FormShow() { CreateAboutBox(*Form); }

void MainWindow::OpenArchiveClick() { OpenArchive(*this, std::nullopt); }

void MainWindow::OpenArchiveFile(const std::string& fileName) { OpenArchive(*this, fileName); }

void MainWindow::OpenArchiveSoon(const std::string& fileName) {
  PendingArchive = FullPathOf(fileName);
  PostMessageW(Form->GetWindowHandle(), kOpenPendingArchive, 0, 0);
}

void RunProgram(std::unique_ptr<Widget>& application, MainWindow& main,
                const std::vector<std::string>& arguments) {
  if (!arguments.empty() && !arguments.front().empty()) main.OpenArchiveSoon(arguments.front());
  RunApplication(application);
}

void RunProgram(const std::vector<std::string>& arguments) {
  std::unique_ptr<Widget> application = CreateApplicationWindow("tarnwick");
  RunProgram(application, CreateProgramWindows(*application), arguments);
}

void MainWindow::ExitClick() { PostMessageW(Form->GetWindowHandle(), WM_CLOSE, 0, 0); }

void MainWindow::AboutClick() {
  ShowAboutBox("Tarnwick v" TARNWICK_VERSION, TARNWICK_RELEASE_DATE, kAuthor, kEmail, kWeb);
}

void MainWindow::FileListClick() {
  selection::RefreshSelectedCountAfterClick(*FileList, *SelectedCountValue);
}

void MainWindow::SelectAllClick() { selection::SelectAllRows(SelectionTargetOf(*this)); }

void MainWindow::SelectCompressedClick() {
  selection::SelectCompressedRows(SelectionTargetOf(*this));
}

void MainWindow::InvertSelectionClick() { selection::InvertSelection(SelectionTargetOf(*this)); }

void MainWindow::SelectByMaskClick() {
  SelectByMask(*Mask, *FileList, Unit.Entries, *SelectedCountValue);
}

void MainWindow::ExtractSelectedClick() {
  TellFailures(
      extract::ExtractSelected(UnpackTargetOf(*this), *UnpackFolderDialog, Unit.LastUnpackFolder));
}

void MainWindow::ExtractAllClick() {
  TellFailures(
      extract::ExtractAll(UnpackTargetOf(*this), *UnpackFolderDialog, Unit.LastUnpackFolder));
}

}  // namespace forms
