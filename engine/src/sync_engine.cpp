#include "engine/sync_engine.h"

namespace orvel::engine {

SyncEngine::SyncEngine(RowStore& rows, IResultList& list, IRunHost& host, IProgress& progress, IPrompt& prompt)
    : host_(host), progress_(progress), prompt_(prompt), rows_(rows), list_(list), execution_(rows_, list, [&host] {
        return host.DeleteTrash();
      }) {}

RunOutcome SyncEngine::RunAllConditions(bool syncMode) {
  flags_.syncMode = syncMode;
  ListCreationRun run(host_, progress_, prompt_, list_, rows_, flags_, execution_);
  const RunOutcome outcome = run.Run();
  flags_.syncMode = false;
  return outcome;
}

RowLoopOutcome SyncEngine::RunRowCommand(Direction direction, bool confDlg, const ISelection& selection) {
  RowLoop loop(progress_, prompt_, flags_, execution_);
  return loop.Run(direction, confDlg, selection);
}

}  // namespace orvel::engine
