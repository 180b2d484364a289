#include "run_command.h"

#include "condition_input.h"
#include "exit_status.h"
#include "interrupt.h"
#include "output.h"
#include "terminal_progress.h"
#include "terminal_prompt.h"

#include "engine/result_items.h"
#include "engine/sync_engine.h"
#include "storage/condition_bar.h"
#include "storage/condition_run_host.h"
#include "storage/condition_state.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace orvel::cli {

namespace {

bool AnyRowFailed(const engine::ResultItems& items) {
  for (int item = 0; item < items.ItemCount(); ++item) {
    if (items.ItemMark(item) == engine::Mark::Failed) return true;
  }
  return false;
}

AnswerMode ChooseAnswerMode(const Options& options) {
  if (options.yes) return AnswerMode::Yes;
  if (::isatty(STDIN_FILENO) && ::isatty(STDERR_FILENO)) return AnswerMode::Interactive;
  return AnswerMode::No;
}

}  // namespace

int RunConditions(const Options& options) {
  storage::NullConditionBar bar;
  storage::ConditionState state(bar);

  if (options.operands.size() == 1) {
    std::string error;
    if (!LoadConditionInput(options.operands[0], state.Set(), error)) {
      std::fprintf(stderr, "orvel-cli: %s\n", error.c_str());
      return kExitUsage;
    }
  } else {
    engine::CCondition condition = options.condition;
    condition.SetAFolder(options.operands[0]);
    condition.SetBFolder(options.operands[1]);
    state.Set().Add(condition);
  }
  // The same steps as the program: the loaded set is shown with condition 0
  // current, and the run command takes the bar and stores it first.
  state.ShowLoadedSet();
  state.TakeAndStore();

  storage::ConditionRunHost host(state);
  TerminalProgress progress(stderr, ::isatty(STDERR_FILENO) != 0);
  TerminalPrompt prompt(stderr, ChooseAnswerMode(options), &progress, options.allowEmptyBase);
  // The rows live here, before the list that shows them and the engine that fills both.
  engine::RowStore rows;
  engine::ResultItems items(rows);
  engine::SyncEngine engine(rows, items, host, progress, prompt);

  InstallInterruptHandler();
  const bool syncRun = options.command == Command::Sync;
  const engine::RunOutcome outcome = engine.RunAllConditions(syncRun);

  const bool written =
      options.format == OutputFormat::Json ? WriteJsonItems(stdout, items, rows) : WriteTextItems(stdout, items);
  WriteFailures(stderr, items, rows);
  // An entry that could not be read is a failure of list creation too: what
  // the list says about it and below it is not known.
  const bool failed = AnyRowFailed(items) || engine.Flags().unreadable > 0;
  const int status = RunExitStatus(outcome, WasInterrupted(), failed);
  if (!written) {
    std::fprintf(stderr, "orvel-cli: cannot write the result list: %s\n", std::strerror(errno));
    if (status != kExitCancelled) return kExitOutputFailed;
  }
  return status;
}

}  // namespace orvel::cli
