#include "exit_status.h"
#include "messages.h"
#include "options.h"
#include "output.h"
#include "run_command.h"
#include "serve_command.h"
#include "show_command.h"
#include "usage.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace orvel::cli;

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  const ParseResult parsed = ParseOptions(args);
  // A --lang after the fault still decides the language of its message.
  const Language language =
      LanguageOfRun(parsed.options.language ? parsed.options.language : LanguageInArguments(args));
  if (!parsed.ok()) {
    // The words of the command line reach the terminal escaped, as in the list.
    orvel::engine::MessageArgs shown;
    for (const std::string& arg : parsed.error->args) AppendEscapedText(shown.emplace_back(), arg);
    const std::string text = "orvel-cli: " + CliTextOf(language, parsed.error->id, shown) + '\n' +
                             CliTextOf(language, CliText::TryHelp) + '\n';
    std::fwrite(text.data(), 1, text.size(), stderr);
    return kExitUsage;
  }
  const Options& options = parsed.options;
  if (options.help) {
    const std::string_view text = UsageText(language);
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? kExitDone : kExitOutputFailed;
  }
  if (options.version) {
    std::fputs("orvel-cli " ORVEL_VERSION "\n", stdout);
    return std::fflush(stdout) == 0 ? kExitDone : kExitOutputFailed;
  }
  if (options.serveRoot) return ServeFolder(*options.serveRoot, ORVEL_VERSION, language);
  if (options.command == Command::Show) return ShowConditionFile(options.operands[0], language);
  return RunConditions(options, ORVEL_VERSION);
}
