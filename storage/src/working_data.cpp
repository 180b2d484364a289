#include "storage/working_data.h"

#include "storage/condition_commands.h"

namespace orvel::storage {

namespace {

const engine::RunFlags kIdle;

}  // namespace

WorkingData::WorkingData(engine::IProgress& progress, engine::IPrompt& prompt, IConditionBar* bar)
    : progress_(progress), prompt_(prompt), state_(bar), host_(state_) {}

WorkingData::~WorkingData() = default;

void WorkingData::SetList(engine::IResultList& list) {
  engine_ = std::make_unique<engine::SyncEngine>(rows_, list, host_, progress_, prompt_);
  engine_->UseSyncState(&syncState_);
}

const engine::RunFlags& WorkingData::Flags() const { return engine_ ? engine_->Flags() : kIdle; }

LoadResult WorkingData::LoadConditions(const std::string& path) {
  const LoadResult result = LoadConditionFile(path, state_.Set());
  if (result) state_.ShowLoadedSet();
  return result;
}

SaveResult WorkingData::SaveConditions(const std::string& path) {
  state_.TakeAndStore();
  return SaveConditionFile(path, state_.Set());
}

engine::RunOutcome WorkingData::ListCreation() {
  state_.TakeAndStore();
  return engine_->RunAllConditions(false);
}

std::optional<engine::RunPlan> WorkingData::Plan() const {
  if (!engine_ || engine_->Rows().Count() == 0) return std::nullopt;
  const int current = state_.CurrentIndex();
  // The current condition's options are the working set's until it is stored.
  return engine_->Plan(state_.Set().Count(), [this, current](int condition) {
    if (condition == current) return state_.Working().DeleteTrash != 0;
    return condition < state_.Set().Count() && state_.Set().Element(condition).DeleteTrash != 0;
  });
}

std::optional<engine::RunOutcome> WorkingData::SyncRun(bool askFirst) {
  const std::optional<engine::RunPlan> plan = Plan();
  if (askFirst && state_.Working().ConfDlg != 0 && !prompt_.AskToSync(plan ? &*plan : nullptr)) return std::nullopt;
  state_.TakeAndStore();
  return engine_->RunAllConditions(true, plan ? plan->Bytes() : 0);
}

engine::RowLoopOutcome WorkingData::RowCommand(engine::Direction direction, const engine::ISelection& selection) {
  return engine_->RunRowCommand(direction, state_.Working().ConfDlg != 0, selection);
}

engine::ItemResult WorkingData::UpdateRow(int item) { return engine_->ExecuteRow(item, engine::Direction::AsMarked); }

void WorkingData::ToggleOption(int engine::ConditionFields::*field) {
  SetOption(field, state_.Working().*field != 0 ? 0 : 1);
}

void WorkingData::SetOption(int engine::ConditionFields::*field, int value) {
  state_.Working().*field = value;
  state_.StoreCondition(state_.CurrentIndex());
}

int WorkingData::NewCondition(const std::string& name) { return AppendNewCondition(state_, name); }

bool WorkingData::RenameCondition(const std::string& name) { return RenameCurrentCondition(state_, name); }

bool WorkingData::DeleteCondition() {
  if (!HasCurrentCondition(state_)) return false;
  const std::string& name = state_.Set().Element(state_.CurrentIndex()).Name;
  if (!prompt_.Ask(engine::RunMessage::DeleteConditionAsk, {name})) return false;
  return DeleteCurrentCondition(state_);
}

}  // namespace orvel::storage
