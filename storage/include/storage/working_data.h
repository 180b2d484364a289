#pragma once

#include "engine/interfaces.h"
#include "engine/list_creation_run.h"
#include "engine/row_loop.h"
#include "engine/row_store.h"
#include "engine/sync_engine.h"
#include "storage/condition_file.h"
#include "storage/condition_run_host.h"
#include "storage/condition_state.h"
#include "storage/sync_state_store.h"

#include <memory>
#include <optional>
#include <string>

namespace orvel::storage {

// The program's working data — the condition set with its current index and
// the working set, the rows of the last run and the run flags — with the logic
// of the runs, the row commands, the option toggles and the condition commands.
// It holds no window: the desktop program's view owns one and lends it the
// result list, the progress dialog, its message boxes and the condition bar;
// orvel-cli drives one with a list in memory and no condition bar at all.
class WorkingData {
 public:
  // bar may be null: nothing is shown and no texts are taken from anywhere.
  WorkingData(engine::IProgress& progress, engine::IPrompt& prompt, IConditionBar* bar = nullptr);
  ~WorkingData();
  WorkingData(const WorkingData&) = delete;
  WorkingData& operator=(const WorkingData&) = delete;

  // The list that shows the rows, made by the owner over Rows(); needed before
  // the first run.
  void SetList(engine::IResultList& list);
  // Where folders on other machines are opened (after SetList; null: all local).
  void SetFarSides(engine::IFarSides* far) { engine_->UseFarSides(far); }

  ConditionState& State() { return state_; }
  const ConditionState& State() const { return state_; }
  const engine::RowStore& Rows() const { return rows_; }
  const engine::RunFlags& Flags() const;
  bool Busy() const { return Flags().busy; }

  // Condition files. A loaded set shows condition 0 as current; a failed load
  // changes nothing. A save takes the bar's texts into the current condition first.
  LoadResult LoadConditions(const std::string& path);
  SaveResult SaveConditions(const std::string& path);

  // List creation over all conditions, after the bar's texts are taken and stored.
  engine::RunOutcome ListCreation();
  // The sync run; with askFirst and ConfDlg on it asks first, with the plan of
  // the list on screen, and a No runs nothing (nullopt).
  std::optional<engine::RunOutcome> SyncRun(bool askFirst);
  // What a sync run would do with the list on screen, each condition's
  // deletions going where its option says; nullopt without a list.
  std::optional<engine::RunPlan> Plan() const;
  // The figures of the run in progress, and what the last run did.
  const engine::RunMeter& Meter() const { return engine_->Meter(); }
  const engine::RunSummary& LastSummary() const { return engine_->LastSummary(); }
  // The selected rows, as marked or forced one way.
  engine::RowLoopOutcome RowCommand(engine::Direction direction, const engine::ISelection& selection);
  // One row at once, as marked (the double click).
  engine::ItemResult UpdateRow(int item);

  // Flips an option of the current condition (or sets it) and stores it at once.
  void ToggleOption(int engine::ConditionFields::*field);
  void SetOption(int engine::ConditionFields::*field, int value);
  // The list box's line chosen.
  void SelectCondition(int index) { state_.SelectCondition(index); }
  // The condition commands, once the user has given the name. Delete asks first.
  int NewCondition(const std::string& name);
  bool RenameCondition(const std::string& name);
  bool DeleteCondition();

 private:
  engine::IProgress& progress_;
  engine::IPrompt& prompt_;
  ConditionState state_;
  ConditionRunHost host_;
  engine::RowStore rows_;
  SyncStateStore syncState_{SyncStateStore::DefaultPath()};
  std::unique_ptr<engine::SyncEngine> engine_;
};

}  // namespace orvel::storage
