#pragma once

#include "messages.h"

#include "storage/condition_set.h"

#include <string>

namespace orvel::cli {

// Loads a condition file into the set as the program does. A file that cannot
// be read (missing, a folder, a FIFO or device, no permission, too large) gives
// false and a message that names it; the set is then unchanged.
bool LoadConditionInput(const std::string& path, storage::CConditionSet& set, Language language, std::string& error);

}  // namespace orvel::cli
