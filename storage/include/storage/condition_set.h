#pragma once

#include "engine/condition.h"

#include <vector>

namespace orvel::storage {

using engine::CCondition;

// The ordered set of conditions. Elements are held by value; conditions are only
// appended or removed, never reordered. Indexes handed to Get, Element, Replace
// and Remove must lie in 0 … Count() − 1.
class CConditionSet {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  CCondition Get(int index) const { return items_.at(static_cast<std::size_t>(index)); }
  CCondition& Element(int index) { return items_.at(static_cast<std::size_t>(index)); }
  const CCondition& Element(int index) const { return items_.at(static_cast<std::size_t>(index)); }
  // Appends a copy and returns its index.
  int Add(const CCondition& condition);
  void Replace(int index, const CCondition& condition);
  void Remove(int index);
  void Clear() { items_.clear(); }

 private:
  std::vector<CCondition> items_;
};

}  // namespace orvel::storage
