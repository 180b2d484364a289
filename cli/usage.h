#pragma once

#include <string_view>

namespace orvel::cli {

// The text of --help.
std::string_view UsageText();

}  // namespace orvel::cli
