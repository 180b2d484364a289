#pragma once

#include "messages.h"

#include <string>

namespace orvel::cli {

// `show FILE`: loads the condition file as the program does and writes the
// resulting set to standard output exactly as the save command would write it.
int ShowConditionFile(const std::string& path, Language language);

}  // namespace orvel::cli
