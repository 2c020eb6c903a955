#include "ui/file_dialogs.h"

#include <objbase.h>
#include <shellapi.h>

#include <deque>
#include <utility>
#include <vector>

#include "io/wide_text.h"
#include "ui/message_loop.h"

namespace ui {
namespace {

std::deque<OpenFileDialog::ScriptedAnswer> g_openFileAnswers;
std::deque<FolderDialog::ScriptedAnswer> g_folderAnswers;

HWND OwnerOrApplication(HWND owner) {
  if (owner) return owner;
  Widget* application = ApplicationWindow();
  return application ? application->Handle() : nullptr;
}

const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

struct BrowseSetup {
  bool center;
  std::wstring initialPath;
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
  if (!setup->initialPath.empty()) {
    SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE,
                 reinterpret_cast<LPARAM>(setup->initialPath.c_str()));
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
  if (!g_openFileAnswers.empty()) {
    ScriptedAnswer answer = std::move(g_openFileAnswers.front());
    g_openFileAnswers.pop_front();
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
  std::vector<wchar_t> buffer(262, L'\0');
  const std::wstring proposed = io::WideFromUtf8(FileName);
  proposed.copy(buffer.data(), std::min(proposed.size(), buffer.size() - 1));
  const std::wstring initialDir = io::WideFromUtf8(InitialDir);
  const std::wstring title = io::WideFromUtf8(Title);
  const std::wstring extension = io::WideFromUtf8(DefaultExtension);

  OPENFILENAMEW ofn{};
  ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  ofn.hwndOwner = OwnerOrApplication(OwnerWindow);
  ofn.hInstance = GetModuleHandleW(nullptr);
  ofn.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = static_cast<DWORD>(buffer.size());
  ofn.lpstrInitialDir = OrNull(initialDir);
  ofn.lpstrTitle = OrNull(title);
  ofn.Flags = OFN_EXPLORER | OFN_LONGNAMES | Flags;
  ofn.lpstrDefExt = OrNull(extension);
  ofn.lCustData = reinterpret_cast<LPARAM>(this);

  if (!GetOpenFileNameW(&ofn)) {
    FileName.clear();
    return false;
  }
  FileName = io::Utf8FromWide(buffer.data());
  return true;
}

void OpenFileDialog::ScriptAnswer(ScriptedAnswer answer) {
  g_openFileAnswers.push_back(std::move(answer));
}

size_t OpenFileDialog::ScriptedAnswersLeft() { return g_openFileAnswers.size(); }

// ------------------------------------------------------------ folder

bool FolderDialog::Execute() {
  if (!g_folderAnswers.empty()) {
    ScriptedAnswer answer = std::move(g_folderAnswers.front());
    g_folderAnswers.pop_front();
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
  info.ulFlags = Flags;
  if (setup.center || !setup.initialPath.empty()) {
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
  g_folderAnswers.push_back(std::move(answer));
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
