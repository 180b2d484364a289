#pragma once

#include "engine/interfaces.h"
#include "engine/list_creation_run.h"
#include "engine/row_loop.h"
#include "engine/row_store.h"
#include "engine/run_flags.h"
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
  RunOutcome RunAllConditions(bool syncMode);

  // One row at once (the double click): its roots are locked for the while.
  ItemResult ExecuteRow(int item, Direction direction);
  RowLoopOutcome RunRowCommand(Direction direction, bool confDlg, const ISelection& selection);

  // Where the conditions that remember the last sync keep it (null: nowhere,
  // and they are compared without it).
  void UseSyncState(ISyncState* state) { execution_.Memory().SetStore(state); }

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
  SyncExecution execution_;
};

}  // namespace orvel::engine
