#pragma once

#include "engine/interfaces.h"
#include "storage/condition_state.h"

namespace orvel::storage {

// Lets the list creation run walk the condition set: each condition is loaded
// into the working set and shown in the bar, and the current one is shown again
// at the end.
class ConditionRunHost : public engine::IRunHost {
 public:
  explicit ConditionRunHost(ConditionState& state) : state_(state) {}

  int ConditionCount() const override { return state_.Set().Count(); }
  engine::CCondition BeginCondition(int index) override;
  void EndRun() override { state_.ShowCurrentCondition(); }
  bool DeleteTrash() const override { return state_.Working().DeleteTrash != 0; }

 private:
  ConditionState& state_;
};

}  // namespace orvel::storage
