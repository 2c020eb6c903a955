#include "ui/file_dialogs.h"

#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <deque>
#include <utility>
#include <vector>

#include "ui/message_loop.h"
#include "io/wide_text.h"

namespace ui {
namespace {

std::deque<OpenFileDialog::ScriptedAnswer> g_open_file_answers;
std::deque<FolderDialog::ScriptedAnswer> g_folder_answers;

HWND OwnerOrApplication(HWND owner) {
  if (owner) return owner;
  Widget* application = ApplicationWindow();
  return application ? application->Handle() : nullptr;
}

const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

DWORD OpenFileFlags(OpenFileOptions options) {
  static constexpr std::pair<OpenFileOption, DWORD> kFlags[] = {
      {OpenFileOption::CreatePrompt, OFN_CREATEPROMPT},
      {OpenFileOption::ExtensionDifferent, OFN_EXTENSIONDIFFERENT},
      {OpenFileOption::FileMustExist, OFN_FILEMUSTEXIST},
      {OpenFileOption::HideReadOnly, OFN_HIDEREADONLY},
      {OpenFileOption::NoChangeDir, OFN_NOCHANGEDIR},
      {OpenFileOption::NoDereferenceLinks, OFN_NODEREFERENCELINKS},
      {OpenFileOption::AllowMultiSelect, OFN_ALLOWMULTISELECT},
      {OpenFileOption::NoNetworkButton, OFN_NONETWORKBUTTON},
      {OpenFileOption::NoReadOnlyReturn, OFN_NOREADONLYRETURN},
      {OpenFileOption::OverwritePrompt, OFN_OVERWRITEPROMPT},
      {OpenFileOption::PathMustExist, OFN_PATHMUSTEXIST},
      {OpenFileOption::ReadOnly, OFN_READONLY}};
  DWORD flags = OFN_EXPLORER | OFN_LONGNAMES;
  for (const auto& [option, flag] : kFlags) {
    if (options.Has(option)) flags |= flag;
  }
  return flags;
}

UINT FolderFlags(FolderOptions options) {
  static constexpr std::pair<FolderOption, UINT> kFlags[] = {
      {FolderOption::BrowseForComputer, BIF_BROWSEFORCOMPUTER},
      {FolderOption::BrowseForPrinter, BIF_BROWSEFORPRINTER},
      {FolderOption::DontGoBelowDomain, BIF_DONTGOBELOWDOMAIN},
      {FolderOption::ReturnFileSystemAncestors, BIF_RETURNFSANCESTORS},
      {FolderOption::ReturnOnlyFileSystemFolders, BIF_RETURNONLYFSDIRS}};
  UINT flags = 0;
  for (const auto& [option, flag] : kFlags) {
    if (options.Has(option)) flags |= flag;
  }
  return flags;
}

struct BrowseSetup {
  bool center;
  std::wstring initial_path;
};

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) {
  if (message != BFFM_INITIALIZED) return 0;
  const auto* setup = reinterpret_cast<const BrowseSetup*>(data);
  if (setup->center) {
    RECT r;
    GetWindowRect(dialog, &r);
    const int width = r.right - r.left;
    const int height = r.bottom - r.top;
    MoveWindow(dialog, FloorDiv(GetSystemMetrics(SM_CXSCREEN) - width, 2),
               FloorDiv(GetSystemMetrics(SM_CYSCREEN) - height, 2), width, height, TRUE);
  }
  if (!setup->initial_path.empty()) {
    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE,
                 reinterpret_cast<LPARAM>(setup->initial_path.c_str()));
  }
  return 0;
}

detail::ShellOpenFunction& ShellOpenHook() {
  static detail::ShellOpenFunction hook;
  return hook;
}

}  // namespace

// ------------------------------------------------------------ open file

bool OpenFileDialog::Execute() {
  if (!g_open_file_answers.empty()) {
    ScriptedAnswer answer = std::move(g_open_file_answers.front());
    g_open_file_answers.pop_front();
    std::optional<std::string> chosen = answer(*this);
    FileName = chosen.value_or("");
    return chosen.has_value();
  }

  // "a|b|c" becomes "a\0b\0c\0\0", as the system wants it.
  std::wstring filter = io::WideFromUtf8(Filter);
  if (!filter.empty()) filter.push_back(L'\0');
  for (size_t i = 1; i < filter.size(); ++i) {
    if (filter[i] == L'|') filter[i] = L'\0';
  }
  const DWORD flags = OpenFileFlags(Options);
  const bool multiple = flags & OFN_ALLOWMULTISELECT;
  std::vector<wchar_t> buffer(multiple ? 65520 : 262, L'\0');
  const std::wstring proposed = io::WideFromUtf8(FileName);
  proposed.copy(buffer.data(), std::min(proposed.size(), buffer.size() - 1));
  const std::wstring initial_dir = io::WideFromUtf8(InitialDir);
  const std::wstring title = io::WideFromUtf8(Title);
  const std::wstring extension = io::WideFromUtf8(DefaultExtension);

  OPENFILENAMEW ofn{};
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  ofn.hwndOwner = OwnerOrApplication(OwnerWindow);
  ofn.hInstance = GetModuleHandleW(nullptr);
  ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  ofn.nFilterIndex = static_cast<DWORD>(FilterIndex);
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrInitialDir = OrNull(initial_dir);
  ofn.lpstrTitle = OrNull(title);
  ofn.Flags = flags;
  ofn.lpstrDefExt = OrNull(extension);
  ofn.lCustData = reinterpret_cast<LPARAM>(this);

  const BOOL chosen = OpenDialog ? GetOpenFileNameW(&ofn) : GetSaveFileNameW(&ofn);
  if (!chosen) {
    FileName.clear();
    return false;
  }
  FilterIndex = static_cast<int>(ofn.nFilterIndex);
  size_t length = 0;
  if (multiple) {  // "folder\0name\0name\0\0": the NULs up to the double one become CRs
    while (length + 1 < buffer.size() && !(buffer[length] == 0 && buffer[length + 1] == 0)) {
      if (buffer[length] == 0) buffer[length] = L'\r';
      ++length;
    }
  } else {
    while (length < buffer.size() && buffer[length] != 0) ++length;
  }
  FileName = io::Utf8FromWide(buffer.data(), length);
  return true;
}

void OpenFileDialog::ScriptAnswer(ScriptedAnswer answer) {
  g_open_file_answers.push_back(std::move(answer));
}

size_t OpenFileDialog::ScriptedAnswersLeft() { return g_open_file_answers.size(); }

std::unique_ptr<OpenFileDialog> CreateOpenFileDialog(const std::string& title,
                                                     const std::string& initial_dir,
                                                     OpenFileOptions options) {
  auto dialog = std::make_unique<OpenFileDialog>();
  dialog->Title = title;
  dialog->InitialDir = initial_dir;
  dialog->Options = options.Empty()
                        ? OpenFileOption::FileMustExist | OpenFileOption::HideReadOnly |
                              OpenFileOption::OverwritePrompt | OpenFileOption::PathMustExist
                        : options;
  return dialog;
}

// ------------------------------------------------------------ folder

bool FolderDialog::Execute() {
  if (!g_folder_answers.empty()) {
    ScriptedAnswer answer = std::move(g_folder_answers.front());
    g_folder_answers.pop_front();
    std::optional<std::string> chosen = answer(*this);
    if (chosen) FolderPath = *chosen;
    return chosen.has_value();
  }

  wchar_t path[MAX_PATH + 1] = {};  // 260 characters and the terminating zero
  const std::wstring title = io::WideFromUtf8(Title);
  BrowseSetup setup{CenterOnScreen, io::WideFromUtf8(InitialPath)};
  BROWSEINFOW info{};
  info.hwndOwner = OwnerOrApplication(OwnerWindow);
  info.pszDisplayName = path;
  info.lpszTitle = title.c_str();
  info.ulFlags = FolderFlags(Options);
  if (setup.center || !setup.initial_path.empty()) {
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(&setup);
  }
  const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  bool chosen = false;
  if (PIDLIST_ABSOLUTE item = SHBrowseForFolderW(&info)) {
    // A folder with no file-system path (a virtual one) is no answer.
    chosen = SHGetPathFromIDListW(item, path) != FALSE;
    CoTaskMemFree(item);
  }
  if (SUCCEEDED(com)) CoUninitialize();
  if (chosen) FolderPath = io::Utf8FromWide(path);
  return chosen;
}

void FolderDialog::ScriptAnswer(ScriptedAnswer answer) {
  g_folder_answers.push_back(std::move(answer));
}

size_t FolderDialog::ScriptedAnswersLeft() { return g_folder_answers.size(); }

std::unique_ptr<FolderDialog> CreateFolderDialog(const std::string& title, FolderOptions options) {
  auto dialog = std::make_unique<FolderDialog>();
  dialog->Title = title;
  dialog->Options =
      options.Empty() ? FolderOptions(FolderOption::ReturnOnlyFileSystemFolders) : options;
  return dialog;
}

// ------------------------------------------------------------ shell

void ShellOpen(HWND owner, const std::string& address) {
  if (ShellOpenHook()) {
    ShellOpenHook()(owner, address);
    return;
  }
  ShellExecuteW(owner, nullptr, io::WideFromUtf8(address).c_str(), L"", L"", SW_SHOW);
}

namespace detail {
ShellOpenFunction ReplaceShellOpen(ShellOpenFunction function) {
  ShellOpenFunction previous = std::move(ShellOpenHook());
  ShellOpenHook() = std::move(function);
  return previous;
}
}  // namespace detail

}  // namespace ui
