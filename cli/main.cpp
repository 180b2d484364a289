#include "exit_status.h"
#include "options.h"
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
  if (!parsed.ok()) {
    std::fprintf(stderr, "orvel-cli: %s\nTry 'orvel-cli --help' for more information.\n", parsed.error.c_str());
    return kExitUsage;
  }
  const Options& options = parsed.options;
  if (options.help) {
    const std::string_view text = UsageText();
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? kExitDone : kExitOutputFailed;
  }
  if (options.version) {
    std::fputs("orvel-cli " ORVEL_VERSION "\n", stdout);
    return std::fflush(stdout) == 0 ? kExitDone : kExitOutputFailed;
  }
  if (options.serveRoot) return ServeFolder(*options.serveRoot, ORVEL_VERSION);
  if (options.command == Command::Show) return ShowConditionFile(options.operands[0]);
  return RunConditions(options, ORVEL_VERSION);
}
