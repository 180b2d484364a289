#pragma once

#include "engine/interfaces.h"
#include "engine/list_creation_run.h"
#include "engine/row_loop.h"
#include "engine/row_store.h"
#include "engine/run_flags.h"
#include "engine/run_meter.h"
#include "engine/run_plan.h"
#include "engine/sync_execution.h"

namespace orvel::engine {

// The working data of one window (or one command-line run): the run flags, with
// the operations that fill the row store and the list and execute their rows.
// The owner creates the row store first, then the list that shows it, e.g.
//   RowStore rows; ResultItems items(rows); SyncEngine engine(rows, items, host, progress, prompt);
class SyncEngine {
 public:
  SyncEngine(RowStore& rows, IResultList& list, IRunHost& host, IProgress& progress, IPrompt& prompt);

  // List creation over all conditions (syncMode false) or the sync run's list
  // creation (syncMode true). The caller has stored the condition bar first.
  // plannedBytes: what the list on screen would copy, for the time left.
  RunOutcome RunAllConditions(bool syncMode, std::uint64_t plannedBytes = 0);

  // One row at once (the double click): its roots are locked for the while.
  ItemResult ExecuteRow(int item, Direction direction);
  RowLoopOutcome RunRowCommand(Direction direction, bool confDlg, const ISelection& selection);

  // Where folders on other machines are opened (null: every folder is local).
  void UseFarSides(IFarSides* far) {
    far_ = far;
    execution_.UseFarSides(far);
  }
  // Whether a sync run copies several files at a time (see SyncExecution).
  void SetConcurrentCopies(ScanLookUps mode) { execution_.SetConcurrentCopies(mode); }
  // Where the conditions that remember the last sync keep it (null: nowhere,
  // and they are compared without it).
  void UseSyncState(ISyncState* state) { execution_.Memory().SetStore(state); }

  // What the list shows now, as a sync run would take it (see PlanOf).
  RunPlan Plan(int conditions, const std::function<bool(int condition)>& deleteTrash) const {
    return PlanOf(rows_, list_, conditions, deleteTrash);
  }
  // The figures of the run in progress, and what the last run did.
  const RunMeter& Meter() const { return meter_; }
  const RunSummary& LastSummary() const { return meter_.Summary(); }

  const RowStore& Rows() const { return rows_; }
  RowStore& Rows() { return rows_; }
  const RunFlags& Flags() const { return flags_; }
  bool Busy() const { return flags_.busy; }

 private:
  IRunHost& host_;
  IProgress& progress_;
  IPrompt& prompt_;
  RowStore& rows_;
  IResultList& list_;
  RunFlags flags_;
  RunMeter meter_;  // the list as runs see it, counted on the way
  SyncExecution execution_;
  IFarSides* far_ = nullptr;
};

}  // namespace orvel::engine
