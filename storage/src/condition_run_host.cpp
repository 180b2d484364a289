#include "storage/condition_run_host.h"

namespace orvel::storage {

engine::CCondition ConditionRunHost::BeginCondition(int index) {
  engine::CCondition condition = state_.Set().Get(index);
  state_.LoadCondition(index);
  state_.SelectLine(index);
  state_.ShowWorkingSet();
  state_.ShowToolbarChecks();
  return condition;
}

}  // namespace orvel::storage
