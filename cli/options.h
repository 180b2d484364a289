#pragma once

#include "engine/condition.h"
#include "messages.h"

#include <optional>
#include <string>
#include <vector>

namespace orvel::cli {

enum class Command { None, List, Sync, Show };

enum class OutputFormat { Text, Json };

// What the command line asks for.
struct Options {
  Command command = Command::None;
  bool help = false;
  bool version = false;
  std::vector<std::string> operands;
  OutputFormat format = OutputFormat::Text;
  bool verbose = false;  // say what the file systems of the run cannot do (time steps, metadata left out)
  bool yes = false;  // answer Yes to the question to create a missing target folder
  // --dry-run: list creation (also for `sync`), then the plan of what a sync
  // run would do with the rows listed
  bool dryRun = false;
  // complete sync may delete everything in a target whose base folder is empty
  bool allowEmptyBase = false;
  // a remembered sync may delete more than half of what it remembers of a side
  bool allowMassDelete = false;
  // --lang; without it ORVEL_LANG decides, and then Japanese
  std::optional<Language> language;
  // --serve ROOT: the far side of a remote folder, speaking the protocol on
  // standard input and output (started through ssh, never by hand).
  std::optional<std::string> serveRoot;
  // How remote folders are reached: the ssh command (else ORVEL_SSH, else
  // "ssh") and the far side's program (else "orvel-cli").
  std::string sshCommand;
  std::string remoteProgram;

  // The condition of `list|sync BASE TARGET`: the defaults of a new condition,
  // changed by the condition options.
  engine::CCondition condition;
  // The first condition option given, for the message when it cannot apply.
  std::string firstConditionOption;
};

struct ParseResult {
  Options options;
  std::optional<CliMessage> error;  // none when the command line is usable
  bool ok() const { return !error; }
};

// Parses the arguments after the program name. Options may stand before and
// after the operands; "--" ends them.
ParseResult ParseOptions(const std::vector<std::string>& args);

// "N", "Ns", "Nm", "Nh" or "Nd" (N a non-negative integer up to 40000) into the
// condition's tolerance amount and unit index; false when the text is not such.
bool ParseTolerance(const std::string& text, int& amount, int& unit);

}  // namespace orvel::cli
