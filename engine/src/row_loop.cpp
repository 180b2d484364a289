#include "engine/row_loop.h"

namespace orvel::engine {

bool RowLoop::Confirm(Direction direction, bool confDlg, const ISelection& selection) {
  switch (direction) {
    case Direction::AsMarked: {
      if (!confDlg) return true;
      // Conflicts alone: each asks which version to keep, and that one
      // question is enough (Cancel there changes nothing).
      bool conflictsOnly = selection.SelectedCount() > 0;
      for (int item = selection.NextSelected(-1); item >= 0 && conflictsOnly; item = selection.NextSelected(item))
        conflictsOnly = execution_.AsksWhichVersion(item);
      return conflictsOnly || prompt_.Ask(RunMessage::ConfirmSync);
    }
    case Direction::ForceBase:
      return prompt_.Ask(RunMessage::ConfirmForceBase1) && prompt_.Ask(RunMessage::ConfirmForceBase2);
    case Direction::ForceTarget:
      return prompt_.Ask(RunMessage::ConfirmForceTarget1) && prompt_.Ask(RunMessage::ConfirmForceTarget2);
  }
  return false;
}

bool RowLoop::LockRoots(const ISelection& selection, RootLocks& locks) {
  for (int item = selection.NextSelected(-1); item >= 0; item = selection.NextSelected(item)) {
    if (!execution_.LockRoots(item, locks, prompt_)) return false;
  }
  return true;
}

RowLoopOutcome RowLoop::Run(Direction direction, bool confDlg, const ISelection& selection) {
  if (!Confirm(direction, confDlg, selection)) return RowLoopOutcome::Declined;

  flags_.busy = true;
  progress_.Open();
  progress_.ShowStatus(RunStatus::IndividualSync);
  progress_.SetBarRange(0, selection.SelectedCount());
  progress_.SetBarStep(1);

  execution_.BeginRun();
  RootLocks locks;
  bool cancelled = false;
  int done = 0;
  if (LockRoots(selection, locks)) {
    // The selection is read afresh after every row: the display may have changed it.
    for (int item = selection.NextSelected(-1); item >= 0 && flags_.busy; item = selection.NextSelected(item)) {
      execution_.ExecuteRow(item, direction);
      if (progress_.PollCancel()) {
        flags_.busy = false;
        cancelled = true;
      }
      progress_.SetBarPos(++done);
    }
  } else {
    cancelled = true;
  }
  execution_.Release();
  execution_.ReportNotes(prompt_);
  locks.Release();
  flags_.busy = false;
  progress_.Close();
  return cancelled ? RowLoopOutcome::Cancelled : RowLoopOutcome::Completed;
}

}  // namespace orvel::engine
