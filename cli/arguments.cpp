#include "cli/arguments.h"

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#include <io.h>

#include "kol/wide_text.h"
#else
#include <unistd.h>
#endif

namespace cli {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  std::vector<std::string> args;
#ifdef _WIN32
  (void)argc;
  (void)argv;
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 1; i < count; ++i) args.push_back(kol::Utf8FromWide(wide[i]));
  LocalFree(wide);
#else
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
#endif
  return args;
}

void PrepareConsole() {
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);
#endif
}

bool StderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

}  // namespace cli
