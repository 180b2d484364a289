#pragma once

#include "engine/condition.h"
#include "storage/field_table.h"

#include <string>

namespace orvel::storage {

// The fields of the current condition as the condition bar, the toggles and the
// options sheet edit them, plus the options that belong to no condition. The
// name is not part of it.
struct WorkingSet : engine::ConditionFields, GlobalOptions {
  // Copies the condition fields of a condition in.
  void LoadFrom(const engine::CCondition& condition) {
    static_cast<engine::ConditionFields&>(*this) = condition;
  }
  // A condition of the condition fields with the given name.
  engine::CCondition ToCondition(const std::string& name) const {
    return engine::CCondition{static_cast<const engine::ConditionFields&>(*this), name};
  }
  friend bool operator==(const WorkingSet&, const WorkingSet&) = default;
};

// The place of a stored value in the working set.
inline int* NumberIn(const Field& field, WorkingSet& w) {
  return field.number ? &(w.*field.number) : field.globalNumber ? &(w.*field.globalNumber) : nullptr;
}
inline std::string* TextIn(const Field& field, WorkingSet& w) {
  return field.text ? &(w.*field.text) : field.globalText ? &(w.*field.globalText) : nullptr;
}
inline const int* NumberIn(const Field& field, const WorkingSet& w) { return NumberIn(field, const_cast<WorkingSet&>(w)); }
inline const std::string* TextIn(const Field& field, const WorkingSet& w) {
  return TextIn(field, const_cast<WorkingSet&>(w));
}

}  // namespace orvel::storage
