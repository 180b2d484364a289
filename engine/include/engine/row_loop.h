#pragma once

#include "engine/interfaces.h"
#include "engine/root_locks.h"
#include "engine/run_flags.h"
#include "engine/sync_execution.h"

#include <string_view>

namespace orvel::engine {

enum class RowLoopOutcome { Declined, Completed, Cancelled };

// The selective and forced commands: execute the selected rows with a direction
// override after their confirmation questions.
class RowLoop {
 public:
  RowLoop(IProgress& progress, IPrompt& prompt, RunFlags& flags, SyncExecution& execution)
      : progress_(progress), prompt_(prompt), flags_(flags), execution_(execution) {}

  // confDlg only matters for Direction::AsMarked; the forced directions always ask twice.
  RowLoopOutcome Run(Direction direction, bool confDlg, const ISelection& selection);

 private:
  bool Confirm(Direction direction, bool confDlg, const ISelection& selection);
  bool LockRoots(const ISelection& selection, RootLocks& locks);

  IProgress& progress_;
  IPrompt& prompt_;
  RunFlags& flags_;
  SyncExecution& execution_;
};

}  // namespace orvel::engine
