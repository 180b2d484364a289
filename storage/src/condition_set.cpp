#include "storage/condition_set.h"

namespace orvel::storage {

int CConditionSet::Add(const CCondition& condition) {
  items_.push_back(condition);
  return Count() - 1;
}

void CConditionSet::Replace(int index, const CCondition& condition) {
  items_.at(static_cast<std::size_t>(index)) = condition;
}

void CConditionSet::Remove(int index) {
  items_.at(static_cast<std::size_t>(index));  // throws for an index outside the set
  items_.erase(items_.begin() + index);
}

}  // namespace orvel::storage
