#include "engine/row_loop.h"

namespace orvel::engine {

bool RowLoop::Confirm(Direction direction, bool confDlg) {
  switch (direction) {
    case Direction::AsMarked:
      return !confDlg || prompt_.AskYesNo(row_text::kConfirmSync);
    case Direction::ForceBase:
      return prompt_.AskYesNo(row_text::kConfirmForceBase1) && prompt_.AskYesNo(row_text::kConfirmForceBase2);
    case Direction::ForceTarget:
      return prompt_.AskYesNo(row_text::kConfirmForceTarget1) && prompt_.AskYesNo(row_text::kConfirmForceTarget2);
  }
  return false;
}

RowLoopOutcome RowLoop::Run(Direction direction, bool confDlg, const ISelection& selection) {
  if (!Confirm(direction, confDlg)) return RowLoopOutcome::Declined;

  flags_.busy = true;
  progress_.Open();
  progress_.ShowStatus(row_text::kIndividualSync);
  progress_.SetBarRange(0, selection.SelectedCount());
  progress_.SetBarStep(1);

  bool cancelled = false;
  int done = 0;
  // The selection is read afresh after every row: the display may have changed it.
  for (int item = selection.NextSelected(-1); item >= 0 && flags_.busy; item = selection.NextSelected(item)) {
    execution_.ExecuteRow(item, direction);
    if (progress_.PollCancel()) {
      flags_.busy = false;
      cancelled = true;
    }
    progress_.SetBarPos(++done);
  }
  flags_.busy = false;
  progress_.Close();
  return cancelled ? RowLoopOutcome::Cancelled : RowLoopOutcome::Completed;
}

}  // namespace orvel::engine
