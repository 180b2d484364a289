#include "storage/condition_commands.h"

#include <vector>

namespace orvel::storage {
namespace {

// The list box is rebuilt from the set as a whole; the set and the list box
// hold the same lines in the same order, so only the changed line differs.
void ShowNames(ConditionState& state) { state.ShowNames(HasCurrentCondition(state) ? state.CurrentIndex() : -1); }

}  // namespace

bool IsBlankConditionName(std::string_view name) {
  return name.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

CCondition EmptyCondition(const std::string& name) {
  CCondition condition;
  ClearConditionFields(condition);
  condition.Name = name;
  return condition;
}

bool HasCurrentCondition(const ConditionState& state) {
  return state.CurrentIndex() >= 0 && state.CurrentIndex() < state.Set().Count();
}

int AppendNewCondition(ConditionState& state, const std::string& name) {
  // What was typed for the condition being left is kept, as when another
  // condition is chosen in the list box.
  state.TakeAndStore();
  const int index = state.Set().Add(EmptyCondition(name));
  state.FillConditionList();
  state.SetCurrentIndex(index);
  state.LoadCondition(index);
  state.ShowWorkingSet();
  state.SelectLine(index);
  return index;
}

bool RenameCurrentCondition(ConditionState& state, const std::string& name) {
  if (!HasCurrentCondition(state)) return false;
  state.Set().Element(state.CurrentIndex()).Name = name;
  ShowNames(state);
  return true;
}

bool DeleteCurrentCondition(ConditionState& state) {
  if (!HasCurrentCondition(state)) return false;
  state.Set().Remove(state.CurrentIndex());
  if (state.CurrentIndex() >= state.Set().Count()) state.SetCurrentIndex(state.Set().Count() - 1);
  // With the set now empty this loads nothing: the bar is given the working
  // set it already showed, so it keeps its texts.
  state.LoadCondition(state.CurrentIndex());
  state.ShowWorkingSet();
  ShowNames(state);
  return true;
}

}  // namespace orvel::storage
