#include <windows.h>

#include <optional>

#include "io/wide_text.h"
#include "tests/support/archive_writer.h"
#include "tests/support/test_system.h"

namespace testsystem {

bool UnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

std::string ShellName(const std::string& name) {
  using Convert = char*(CDECL*)(const wchar_t*);
  const auto convert = reinterpret_cast<Convert>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  char* unix = convert != nullptr ? convert(io::WideFromUtf8(name).c_str()) : nullptr;
  const std::string result = unix != nullptr ? unix : "";
  if (unix != nullptr) HeapFree(GetProcessHeap(), 0, unix);
  return "'" + result + "'";
}

bool RunShell(const std::string& command, const std::string& statusFile) {
  if (!UnderWine()) return false;
  std::wstring line = L"Z:\\bin\\sh -c \"" +
                      io::WideFromUtf8(command + "; echo $? >" + ShellName(statusFile)) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return false;
  }
  for (int i = 0; i < 3000; ++i, Sleep(10)) {
    const std::optional<std::string> status = testarchive::ReadFileBytes(statusFile);
    if (status.has_value() && !status->empty() && status->back() == '\n') {
      DeleteFileW(io::WideFromUtf8(statusFile).c_str());
      return *status == "0\n";
    }
  }
  return false;
}

bool MakeLink(const std::string& target, const std::string& link, bool folder) {
  if (!UnderWine()) {
    return CreateSymbolicLinkW(io::WideFromUtf8(link).c_str(), io::WideFromUtf8(target).c_str(),
                               (folder ? SYMBOLIC_LINK_FLAG_DIRECTORY : 0) |
                                   SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) != 0;
  }
  return RunShell("ln -s " + ShellName(target) + " " + ShellName(link), link + ".status");
}

ProcessLimit::ProcessLimit(Limit, uint64_t) {}
ProcessLimit::~ProcessLimit() = default;

}  // namespace testsystem
