#include "exit_status.h"

namespace orvel::cli {

int RunExitStatus(engine::RunOutcome outcome, bool interrupted, bool rowsFailed) {
  if (interrupted || outcome == engine::RunOutcome::Cancelled) return kExitCancelled;
  if (rowsFailed) return kExitRowsFailed;
  if (outcome == engine::RunOutcome::Stopped) return kExitStopped;
  return kExitDone;
}

}  // namespace orvel::cli
