#pragma once

#include "storage/condition_state.h"

#include <string>
#include <string_view>

namespace orvel::storage {

// What the new, rename and delete commands do to the condition set, the current
// index, the working set and the condition bar once the user has given a name
// or agreed to the deletion.

// True when a name holds nothing but blanks, tabs and line breaks (or nothing):
// such a name cannot be confirmed.
bool IsBlankConditionName(std::string_view name);

// A condition whose folders and extensions are empty and whose flags are all 0,
// whatever a condition's own defaults are.
CCondition EmptyCondition(const std::string& name);

// Whether there is a current condition to rename or delete. After the last
// condition was deleted there is none (the current index is -1).
bool HasCurrentCondition(const ConditionState& state);

// Stores the bar's texts into the current condition, appends an empty
// condition, refills the list box and makes the new condition current and
// shown. Returns the new condition's index.
int AppendNewCondition(ConditionState& state, const std::string& name);

// Gives the current condition another name, changes its list line and keeps it
// selected. Nothing else changes. False (nothing changed) without a current condition.
bool RenameCurrentCondition(ConditionState& state, const std::string& name);

// Removes the current condition; the one that moved into its place, or else the
// new last one, becomes current and is shown. After the only condition the set
// is empty, the current index is -1 and the bar keeps what it shows.
// False (nothing changed) without a current condition.
bool DeleteCurrentCondition(ConditionState& state);

}  // namespace orvel::storage
