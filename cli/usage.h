#pragma once

#include "messages.h"

#include <string_view>

namespace orvel::cli {

// The text of --help.
std::string_view UsageText(Language language);

}  // namespace orvel::cli
