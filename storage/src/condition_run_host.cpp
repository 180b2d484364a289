#include "storage/condition_run_host.h"

namespace orvel::storage {

engine::CCondition ConditionRunHost::BeginCondition(int index) {
  engine::CCondition condition = state_.Set().Get(index);
  state_.LoadCondition(index);
  IConditionBar& bar = state_.Bar();
  bar.SelectConditionLine(index);
  bar.ShowWorkingSet(state_.Working());
  bar.ShowToolbarChecks(state_.Working());
  return condition;
}

}  // namespace orvel::storage
