// The one option parser of every tarnwick-cli command. A command describes
// its options as a table, one row per option; the table gives the parsing,
// the --help text and the usage errors:
//
//   const CommandOptions line = {
//       "list", "ARCHIVE [PATTERN...]", "Lists ...\n",
//       {{"long", 'l', "", "add the stored size ...", [&](auto&) { o.Long = true; return ""; }}}};
//   const ParsedLine parsed = ParseCommandLine(line, args);
//   if (parsed.Exit) return *parsed.Exit;
//
// Accepted as users of other command-line tools expect: --name VALUE and
// --name=VALUE, -x VALUE and -xVALUE, one-letter flags bundled (-lq), options
// before, between and after the operands, "--" ending the options, -h and
// --help anywhere.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "archive/path_formation.h"

namespace cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitIncomplete = 1;
inline constexpr int kExitUsage = 2;

struct Option {
  std::string Name;   // the long name without "--"
  char Short = 0;     // the one-letter name, or none
  std::string Value;  // what the value is called ("N", "DIR"); empty for a flag
  std::string Help;   // one or more lines for --help
  // Takes the option (its value, for one that has one); returns what is
  // wrong with the value, or nothing.
  std::function<std::string(const std::string& value)> Take;
};

struct CommandOptions {
  std::string Command;   // "list"
  std::string Operands;  // "ARCHIVE [PATTERN...]"
  std::string About;     // what the command does, for --help
  std::vector<Option> Options;
  // The selection options, for the commands that take them: shown in a
  // group of their own, and as SELECTION in the synopsis.
  std::vector<Option> Selection = {};
};

struct ParsedLine {
  std::optional<int> Exit;  // the command ends here with this status
  std::vector<std::string> Operands;
};

// Parses the arguments after the command's name. --help prints the help to
// stdout; a wrong option or value is named on stderr with the usage line.
ParsedLine ParseCommandLine(const CommandOptions& line, const std::vector<std::string>& args);

// Names a usage error of the command on stderr with its usage line; kExitUsage.
int UsageError(const CommandOptions& line, const std::string& message);

// The command's --help text.
std::string HelpText(const CommandOptions& line);

// "extract [-m|--touch] [--jobs N] ... ARCHIVE [OUTDIR]": the command with
// every option, for the program's overview.
std::string Synopsis(const CommandOptions& line);

// A flag's row: `take` is what it does.
Option Flag(const char* name, char letter, const std::string& help, std::function<void()> take);

// The rows several commands share.
Option StoredPathsOption(archive::PathMode& mode, const std::string& help);
Option LevelOption(int& level, const std::string& help);
Option JobsOption(unsigned& jobs, const std::string& help);
Option QuietOption(bool& quiet, const std::string& help);

}  // namespace cli
