#include "cli/command_options.h"

#include <cstdio>

namespace cli {
namespace {

constexpr size_t kHelpColumn = 25;

std::string UsageLine(const CommandOptions& line) {
  return "usage: tarnwick-cli " + line.Command + " [OPTIONS] " + line.Operands + "\n";
}

std::string Shown(const Option& option) {
  return option.Name.empty() ? std::string("-") + option.Short : "--" + option.Name;
}

// The option's row of the help: its names, then its lines in a column.
std::string HelpRow(const Option& option) {
  std::string names = option.Short != 0 ? std::string("  -") + option.Short : "    ";
  if (!option.Name.empty()) names += (option.Short != 0 ? ", --" : "  --") + option.Name;
  if (!option.Value.empty()) names += " " + option.Value;
  std::string row = names;
  if (names.size() + 1 > kHelpColumn)
    row += "\n" + std::string(kHelpColumn, ' ');
  else
    row.append(kHelpColumn - names.size(), ' ');
  for (const char c : option.Help) {
    row += c;
    if (c == '\n') row.append(kHelpColumn, ' ');
  }
  return row + "\n";
}

class Parser {
 public:
  Parser(const CommandOptions& line, ParsedLine& parsed) : line_(line), parsed_(parsed) {}

  // Takes args[k] and, for an option that takes the next word as its value,
  // moves k on; false when the command ends.
  bool Take(const std::vector<std::string>& args, size_t& k) {
    const std::string& arg = args[k];
    if (arg == "--help" || arg == "-h") return Help();
    if (arg.starts_with("--")) {
      const size_t equals = arg.find('=');
      const Option* option = equals == 2 ? nullptr : Find(arg.substr(2, equals - 2), 0);
      if (option == nullptr) return Error("unknown option " + arg.substr(0, equals));
      if (equals != std::string::npos) {
        if (option->Value.empty()) return Error(Shown(*option) + " takes no value");
        return Apply(*option, arg.substr(equals + 1));
      }
      return option->Value.empty() ? Apply(*option, "") : ApplyNext(*option, args, k);
    }
    // One-letter options, bundled: a flag may be followed by more letters,
    // an option with a value by its value or nothing.
    for (size_t at = 1; at < arg.size(); ++at) {
      if (arg[at] == 'h') return Help();
      const Option* option = Find("", arg[at]);
      if (option == nullptr) {
        return Error(at == 1 ? "unknown option " + arg
                             : "unknown option -" + arg.substr(at, 1) + " in " + arg);
      }
      if (option->Value.empty()) {
        if (!Apply(*option, "")) return false;
      } else {
        return at + 1 < arg.size() ? Apply(*option, arg.substr(at + 1))
                                   : ApplyNext(*option, args, k);
      }
    }
    return true;
  }

 private:
  // The row named `name`, or with the letter `letter` when no name is given.
  const Option* Find(const std::string& name, char letter) const {
    for (const std::vector<Option>* rows : {&line_.Options, &line_.Selection}) {
      for (const Option& o : *rows) {
        if (name.empty() ? letter != 0 && o.Short == letter : o.Name == name) return &o;
      }
    }
    return nullptr;
  }

  bool Apply(const Option& option, const std::string& value) {
    const std::string wrong = option.Take(value);
    return wrong.empty() || Error(wrong);
  }

  bool ApplyNext(const Option& option, const std::vector<std::string>& args, size_t& k) {
    if (k + 1 == args.size()) return Error(Shown(option) + " needs a value");
    return Apply(option, args[++k]);
  }

  bool Help() {
    std::fputs(HelpText(line_).c_str(), stdout);
    parsed_.Exit = kExitOk;
    return false;
  }

  bool Error(const std::string& message) {
    parsed_.Exit = UsageError(line_, message);
    return false;
  }

  const CommandOptions& line_;
  ParsedLine& parsed_;
};

}  // namespace

ParsedLine ParseCommandLine(const CommandOptions& line, const std::vector<std::string>& args) {
  ParsedLine parsed;
  Parser parser(line, parsed);
  bool optionsEnded = false;
  for (size_t k = 0; k < args.size(); ++k) {
    const std::string& arg = args[k];
    if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
      parsed.Operands.push_back(arg);
    } else if (arg == "--") {
      optionsEnded = true;
    } else if (!parser.Take(args, k)) {
      break;
    }
  }
  return parsed;
}

int UsageError(const CommandOptions& line, const std::string& message) {
  std::fprintf(stderr, "tarnwick-cli %s: %s\n%s", line.Command.c_str(), message.c_str(),
               UsageLine(line).c_str());
  return kExitUsage;
}

std::string HelpText(const CommandOptions& line) {
  std::string text = UsageLine(line) + "\n" + line.About + "\n";
  for (const Option& option : line.Options) text += HelpRow(option);
  if (!line.Selection.empty()) {
    text += "\nSELECTION (every option narrows; none: all entries):\n";
    for (const Option& option : line.Selection) text += HelpRow(option);
  }
  text += "\n" + HelpRow({"help", 'h', "", "print this help", {}});
  text +=
      "  --" + std::string(kHelpColumn - 4, ' ') + "end of options: what follows are operands\n";
  return text;
}

std::string Synopsis(const CommandOptions& line) {
  std::string text = line.Command;
  for (const Option& o : line.Options) {
    text += " [";
    if (o.Short != 0) text += std::string("-") + o.Short + (o.Name.empty() ? "" : "|");
    if (!o.Name.empty()) text += "--" + o.Name;
    if (!o.Value.empty()) text += " " + o.Value;
    text += "]";
  }
  if (!line.Selection.empty()) text += " [SELECTION]";
  return text + " " + line.Operands;
}

Option Flag(const char* name, char letter, const std::string& help, std::function<void()> take) {
  return {name, letter, "", help, [take](const std::string&) {
            take();
            return std::string();
          }};
}

Option StoredPathsOption(archive::PathMode& mode, const std::string& help) {
  return Flag("stored-paths", 0, help, [&mode] { mode = archive::PathMode::Stored; });
}

Option LevelOption(int& level, const std::string& help) {
  return {"level", 0, "N", help, [&level](const std::string& value) {
            if (value.size() != 1 || value[0] < '0' || value[0] > '9')
              return "--level takes a number from 0 to 9, not " + value;
            level = value[0] - '0';
            return std::string();
          }};
}

Option JobsOption(unsigned& jobs, const std::string& help) {
  return {"jobs", 'j', "N", help, [&jobs](const std::string& value) {
            const bool digits = !value.empty() && value.size() <= 4 &&
                                value.find_first_not_of("0123456789") == std::string::npos;
            if (!digits || std::stoi(value) == 0)
              return "--jobs takes a number from 1, not " + value;
            jobs = static_cast<unsigned>(std::stoi(value));
            return std::string();
          }};
}

Option QuietOption(bool& quiet, const std::string& help) {
  return Flag("quiet", 'q', help, [&quiet] { quiet = true; });
}

}  // namespace cli
