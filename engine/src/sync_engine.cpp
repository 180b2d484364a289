#include "engine/sync_engine.h"

namespace orvel::engine {

SyncEngine::SyncEngine(RowStore& rows, IResultList& list, IRunHost& host, IProgress& progress, IPrompt& prompt)
    : host_(host),
      progress_(progress),
      prompt_(prompt),
      rows_(rows),
      list_(list),
      meter_(rows_, list, flags_, [&host] { return host.DeleteTrash(); }),
      execution_(rows_, meter_, [&host] { return host.DeleteTrash(); }) {
  execution_.SetPrompt(&prompt);
}

RunOutcome SyncEngine::RunAllConditions(bool syncMode, std::uint64_t plannedBytes) {
  flags_.syncMode = syncMode;
  execution_.Memory().NewRun();
  meter_.Begin(syncMode ? RunKind::SyncRun : RunKind::ListCreation, syncMode ? plannedBytes : 0);
  progress_.WatchRun(&meter_);
  ListCreationRun run(host_, progress_, prompt_, meter_, rows_, flags_, execution_);
  run.UseFarSides(far_);
  const RunOutcome outcome = run.Run();
  progress_.WatchRun(nullptr);
  meter_.End(outcome == RunOutcome::Cancelled);
  flags_.syncMode = false;
  flags_.memoryProblems = execution_.Memory().Problems();
  return outcome;
}

ItemResult SyncEngine::ExecuteRow(int item, Direction direction) {
  RootLocks locks;
  ItemResult result{list_.ItemMark(item), DateCopy::None, {}};
  execution_.BeginRun();
  meter_.Begin(RunKind::RowCommand, 0, 1);
  if (execution_.LockRoots(item, locks, prompt_)) result = execution_.ExecuteRow(item, direction);
  execution_.Release();
  execution_.ReportNotes(prompt_);
  meter_.End(false);
  return result;
}

RowLoopOutcome SyncEngine::RunRowCommand(Direction direction, bool confDlg, const ISelection& selection) {
  RowLoop loop(progress_, prompt_, flags_, execution_);
  meter_.Begin(RunKind::RowCommand, 0, static_cast<std::uint64_t>(selection.SelectedCount()));
  progress_.WatchRun(&meter_);
  const RowLoopOutcome outcome = loop.Run(direction, confDlg, selection);
  progress_.WatchRun(nullptr);
  meter_.End(outcome == RowLoopOutcome::Cancelled);
  return outcome;
}

}  // namespace orvel::engine
