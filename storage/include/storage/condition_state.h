#pragma once

#include "storage/condition_bar.h"
#include "storage/condition_set.h"
#include "storage/working_set.h"

namespace orvel::storage {

// The condition set with its current index and the working set, and the rules
// that move values between them and the condition bar. Without a bar (null)
// nothing is shown and there are no texts to take.
class ConditionState {
 public:
  explicit ConditionState(IConditionBar* bar) : bar_(bar) {}

  CConditionSet& Set() { return set_; }
  const CConditionSet& Set() const { return set_; }
  WorkingSet& Working() { return working_; }
  const WorkingSet& Working() const { return working_; }
  int CurrentIndex() const { return current_; }
  void SetCurrentIndex(int index) { current_ = index; }
  // The bar, or null.
  IConditionBar* Bar() { return bar_; }

  // Copies condition `index` into the working set; false (nothing changed) for
  // an index outside the set.
  bool LoadCondition(int index);
  // Replaces condition `index` by the working set's fields, keeping its name;
  // false (nothing changed) for an index outside the set.
  bool StoreCondition(int index);

  // Takes the edits' texts (base, target, Ext, NoExt) into the working set.
  void TakeBarTexts();
  // The storing rule of commands that read the set: take the texts, then store.
  void TakeAndStore();

  // What the bar shows (nothing without a bar): the working set in the edits
  // and check boxes, its options on the toolbar, a line of the list box, and
  // the names of the set in the list box with one line selected (-1: none).
  void ShowWorkingSet();
  void ShowToolbarChecks();
  void SelectLine(int index);
  void ShowNames(int selected);
  // Refills the list box with the names; selects line 0 when there is one.
  void FillConditionList();
  // Loads the current condition and shows it in the bar and the list box.
  void ShowCurrentCondition();
  // Switches the current condition after the user chose another list line.
  void SelectCondition(int index);

  // After a condition file was loaded: list box, condition 0 current and shown.
  void ShowLoadedSet();

 private:
  IConditionBar* bar_;
  CConditionSet set_;
  WorkingSet working_;
  int current_ = 0;
};

}  // namespace orvel::storage
