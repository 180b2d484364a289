#include "options.h"

#include <cstddef>
#include <string_view>

namespace orvel::cli {

namespace {

constexpr int kMaxTolerance = 40000;

bool ParseCommand(std::string_view word, Command& command) {
  if (word == "list") {
    command = Command::List;
  } else if (word == "sync") {
    command = Command::Sync;
  } else if (word == "show") {
    command = Command::Show;
  } else {
    return false;
  }
  return true;
}

// Applies a condition option without a value; false when `name` is none.
bool ApplyConditionFlag(std::string_view name, engine::CCondition& c) {
  if (name == "--no-subfolders") {
    c.SubFolder = 0;
  } else if (name == "--hide-same") {
    c.SameDisp = 0;
  } else if (name == "--complete") {
    c.Complete = 1;
  } else if (name == "--empty-folders") {
    c.EmptyFolder = 1;
  } else if (name == "--include-recycler") {
    c.RecyclerFolder = 0;
  } else if (name == "--trash") {
    c.DeleteTrash = 1;
  } else if (name == "--remember") {
    c.Memory = 1;
  } else {
    return false;
  }
  return true;
}

bool TakesValue(std::string_view name) { return name == "--ext" || name == "--no-ext" || name == "--tolerance"; }

}  // namespace

bool ParseTolerance(const std::string& text, int& amount, int& unit) {
  std::size_t digits = 0;
  long value = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
    value = value * 10 + (text[digits] - '0');
    if (value > kMaxTolerance) return false;
    ++digits;
  }
  if (digits == 0) return false;
  int sel = 0;
  if (digits < text.size()) {
    if (digits + 1 != text.size()) return false;
    switch (text[digits]) {
      case 's':
        sel = 0;
        break;
      case 'm':
        sel = 1;
        break;
      case 'h':
        sel = 2;
        break;
      case 'd':
        sel = 3;
        break;
      default:
        return false;
    }
  }
  amount = static_cast<int>(value);
  unit = sel;
  return true;
}

ParseResult ParseOptions(const std::vector<std::string>& args) {
  ParseResult result;
  Options& o = result.options;
  bool optionsEnded = false;
  bool commandSeen = false;

  auto fail = [&result](CliText text, engine::MessageArgs words = {}) {
    result.error = CliMessage{text, std::move(words)};
    return result;
  };

  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool isOption = !optionsEnded && arg.size() > 1 && arg[0] == '-';
    if (!isOption) {
      if (!commandSeen) {
        if (!ParseCommand(arg, o.command)) return fail(CliText::UnknownCommand, {arg});
        commandSeen = true;
      } else {
        o.operands.push_back(arg);
      }
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }

    // "--name=value" and "--name value" are the same.
    std::string name = arg;
    std::string value;
    bool hasValue = false;
    if (const std::size_t eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
      name = arg.substr(0, eq);
      value = arg.substr(eq + 1);
      hasValue = true;
    }

    if (name == "--lang") {
      if (!hasValue) {
        if (i + 1 >= args.size()) return fail(CliText::NeedsValue, {"--lang"});
        value = args[++i];
      }
      Language language = Language::Japanese;
      if (!ParseLanguage(value, language)) return fail(CliText::UnknownLanguage, {value});
      o.language = language;
      continue;
    }
    if (name == "--serve" || name == "--ssh-command" || name == "--remote-program") {
      if (!hasValue) {
        if (i + 1 >= args.size()) return fail(CliText::NeedsValue, {name});
        value = args[++i];
      }
      if (value.empty()) return fail(CliText::NeedsValue, {name});
      if (name == "--serve") {
        o.serveRoot = value;
      } else {
        (name == "--ssh-command" ? o.sshCommand : o.remoteProgram) = value;
      }
      continue;
    }
    if (TakesValue(name)) {
      if (!hasValue) {
        if (i + 1 >= args.size()) return fail(CliText::NeedsValue, {name});
        value = args[++i];
      }
      if (o.firstConditionOption.empty()) o.firstConditionOption = name;
      if (name == "--ext") {
        o.condition.ChkExt = 1;
        o.condition.Ext = value;
      } else if (name == "--no-ext") {
        o.condition.ChkNoExt = 1;
        o.condition.NoExt = value;
      } else {
        int amount = 0;
        int unit = 0;
        if (!ParseTolerance(value, amount, unit))
          return fail(CliText::BadTolerance, {value});
        o.condition.DiffTime = amount;
        o.condition.DiffSel = unit;
      }
      continue;
    }
    if (hasValue) return fail(CliText::TakesNoValue, {name});

    if (ApplyConditionFlag(name, o.condition)) {
      if (o.firstConditionOption.empty()) o.firstConditionOption = name;
    } else if (name == "--json") {
      o.format = OutputFormat::Json;
    } else if (name == "--verbose" || name == "-v") {
      o.verbose = true;
    } else if (name == "--dry-run" || name == "-n") {
      o.dryRun = true;
    } else if (name == "--yes" || name == "-y") {
      o.yes = true;
    } else if (name == "--allow-empty-base") {
      o.allowEmptyBase = true;
    } else if (name == "--allow-mass-delete") {
      o.allowMassDelete = true;
    } else if (name == "--help" || name == "-h") {
      o.help = true;
    } else if (name == "--version") {
      o.version = true;
    } else {
      return fail(CliText::UnknownOption, {arg});
    }
  }

  if (o.help || o.version) return result;
  if (o.serveRoot) {
    if (o.command != Command::None || !o.operands.empty() || !o.firstConditionOption.empty())
      return fail(CliText::ServeAlone);
    return result;
  }

  switch (o.command) {
    case Command::None:
      return fail(CliText::NoCommand);
    case Command::Show:
      if (o.operands.size() != 1) return fail(CliText::ShowOneFile);
      if (!o.firstConditionOption.empty() || o.format != OutputFormat::Text || o.yes || o.allowEmptyBase || o.verbose ||
          o.dryRun || o.allowMassDelete)
        return fail(CliText::ShowNoOptions);
      break;
    case Command::List:
    case Command::Sync:
      if (o.operands.empty()) return fail(CliText::MissingOperands);
      if (o.operands.size() > 2) return fail(CliText::TooManyOperands, {o.operands[2]});
      if (o.operands.size() == 1 && !o.firstConditionOption.empty())
        return fail(CliText::ConditionOptionWithFile, {o.firstConditionOption});
      // A dry run of a sync is its list creation: nothing is touched.
      if (o.dryRun) o.command = Command::List;
      break;
  }
  return result;
}

}  // namespace orvel::cli
