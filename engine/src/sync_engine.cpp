#include "engine/sync_engine.h"

namespace orvel::engine {

SyncEngine::SyncEngine(RowStore& rows, IResultList& list, IRunHost& host, IProgress& progress, IPrompt& prompt)
    : host_(host), progress_(progress), prompt_(prompt), rows_(rows), list_(list), execution_(rows_, list, [&host] {
        return host.DeleteTrash();
      }) {
  execution_.SetPrompt(&prompt);
}

RunOutcome SyncEngine::RunAllConditions(bool syncMode) {
  flags_.syncMode = syncMode;
  execution_.Memory().NewRun();
  ListCreationRun run(host_, progress_, prompt_, list_, rows_, flags_, execution_);
  const RunOutcome outcome = run.Run();
  flags_.syncMode = false;
  flags_.memoryProblems = execution_.Memory().Problems();
  return outcome;
}

ItemResult SyncEngine::ExecuteRow(int item, Direction direction) {
  RootLocks locks;
  ItemResult result{list_.ItemMark(item), DateCopy::None, {}};
  if (execution_.LockRoots(item, locks, prompt_)) result = execution_.ExecuteRow(item, direction);
  execution_.Release();
  return result;
}

RowLoopOutcome SyncEngine::RunRowCommand(Direction direction, bool confDlg, const ISelection& selection) {
  RowLoop loop(progress_, prompt_, flags_, execution_);
  return loop.Run(direction, confDlg, selection);
}

}  // namespace orvel::engine
