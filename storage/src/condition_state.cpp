#include "storage/condition_state.h"

#include <string>
#include <vector>

namespace orvel::storage {

bool ConditionState::LoadCondition(int index) {
  if (index < 0 || index >= set_.Count()) return false;
  working_.LoadFrom(set_.Element(index));
  return true;
}

bool ConditionState::StoreCondition(int index) {
  if (index < 0 || index >= set_.Count()) return false;
  // The working set has no name; the element keeps the one it has now, which a
  // rename may have changed since the condition was loaded.
  set_.Replace(index, working_.ToCondition(set_.Element(index).Name));
  return true;
}

void ConditionState::TakeBarTexts() {
  if (!bar_) return;
  working_.AFolder = bar_->BaseFolderText();
  working_.BFolder = bar_->TargetFolderText();
  working_.Ext = bar_->ExtText();
  working_.NoExt = bar_->NoExtText();
}

void ConditionState::ShowWorkingSet() {
  if (bar_) bar_->ShowWorkingSet(working_);
}

void ConditionState::ShowToolbarChecks() {
  if (bar_) bar_->ShowToolbarChecks(working_);
}

void ConditionState::SelectLine(int index) {
  if (bar_) bar_->SelectConditionLine(index);
}

void ConditionState::ShowNames(int selected) {
  if (!bar_) return;
  std::vector<std::string> names;
  names.reserve(static_cast<std::size_t>(set_.Count()));
  for (int i = 0; i < set_.Count(); ++i) names.push_back(set_.Element(i).Name);
  bar_->SetConditionNames(names);
  bar_->SelectConditionLine(selected);
}

void ConditionState::TakeAndStore() {
  TakeBarTexts();
  StoreCondition(current_);
}

void ConditionState::FillConditionList() { ShowNames(set_.Count() == 0 ? -1 : 0); }

void ConditionState::ShowCurrentCondition() {
  LoadCondition(current_);
  ShowWorkingSet();
  // After the last condition was deleted the current index is -1: no line.
  SelectLine(current_ >= 0 && current_ < set_.Count() ? current_ : -1);
}

void ConditionState::SelectCondition(int index) {
  if (index == current_) return;
  // A list box reports only lines it has; anything else (such as "no
  // selection") must not make the edits' values land nowhere.
  if (index < 0 || index >= set_.Count()) return;
  TakeAndStore();
  current_ = index;
  LoadCondition(index);
  ShowWorkingSet();
}

void ConditionState::ShowLoadedSet() {
  FillConditionList();
  LoadCondition(0);
  current_ = 0;
  ShowWorkingSet();
}

}  // namespace orvel::storage
