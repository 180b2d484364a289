#include "run_command.h"

#include "condition_input.h"
#include "exit_status.h"
#include "interrupt.h"
#include "output.h"
#include "terminal_progress.h"
#include "terminal_prompt.h"

#include "engine/result_items.h"
#include "storage/working_data.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

namespace orvel::cli {

namespace {

bool AnyRowFailed(const engine::ResultItems& items) {
  for (int item = 0; item < items.ItemCount(); ++item) {
    // A conflict stops a row as a failure does: both leave the pair unsynchronised.
    const engine::Mark mark = items.ItemMark(item);
    if (mark == engine::Mark::Failed || mark == engine::Mark::Conflict) return true;
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
  TerminalProgress progress(stderr, ::isatty(STDERR_FILENO) != 0);
  TerminalPrompt prompt(stderr, ChooseAnswerMode(options), &progress, options.allowEmptyBase);
  // The same working data as the desktop program's, without a condition bar.
  storage::WorkingData data(progress, prompt);
  engine::ResultItems items(data.Rows());
  data.SetList(items);
  const engine::RowStore& rows = data.Rows();

  storage::ConditionState& state = data.State();
  if (options.operands.size() == 1) {
    std::string error;
    if (!LoadConditionInput(options.operands[0], state.Set(), error)) {
      std::fprintf(stderr, "orvel-cli: %s\n", error.c_str());
      return kExitUsage;
    }
  } else {
    engine::CCondition condition = options.condition;
    condition.AFolder = options.operands[0];
    condition.BFolder = options.operands[1];
    state.Set().Add(condition);
  }
  // As after loading a file in the program: condition 0 is current.
  state.ShowLoadedSet();

  InstallInterruptHandler();
  const bool syncRun = options.command == Command::Sync;
  // Nothing is asked before a sync run: the command line asked for it.
  const engine::RunOutcome outcome = syncRun ? *data.SyncRun(false) : data.ListCreation();

  const bool written =
      options.format == OutputFormat::Json ? WriteJsonItems(stdout, items, rows) : WriteTextItems(stdout, items);
  WriteFailures(stderr, items, rows);
  // An entry that could not be read is a failure of list creation too: what
  // the list says about it and below it is not known.
  const bool failed = AnyRowFailed(items) || data.Flags().unreadable > 0;
  const int status = RunExitStatus(outcome, WasInterrupted(), failed);
  if (!written) {
    std::fprintf(stderr, "orvel-cli: cannot write the result list: %s\n", std::strerror(errno));
    if (status != kExitCancelled) return kExitOutputFailed;
  }
  return status;
}

}  // namespace orvel::cli
