#pragma once

#include "storage/condition_state.h"
#include "storage/working_set.h"

class QSettings;

namespace orvel::storage {

// The working set between two runs of the program: the 19 values at the top
// level of the program's settings (organisation "Brelt", application "Orvel").
// Folders default to the file-system root "/".
//
// The settings object must stand at its top level (no group begun). Numbers are
// written as integers; a number value that is missing or does not read as a
// 32-bit integer (hand-edited text such as "yes" or "1.5") yields its default.
// Strings are UTF-8.

// Reads the 19 values (each with its default) into the working set, then makes
// a one-condition set named "新規" from them. The current index is not touched.
void LoadSettings(QSettings& settings, ConditionState& state);
// Writes the 19 values of the working set.
void SaveSettings(QSettings& settings, const WorkingSet& working);

// The name of the one condition that LoadSettings makes.
inline constexpr const char* kNewConditionName = "新規";

}  // namespace orvel::storage
