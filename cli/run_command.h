#pragma once

#include "options.h"

namespace orvel::cli {

// `list` and `sync`: runs list creation (or the sync run) over the conditions
// of a file or over the one condition of BASE TARGET, prints the result list
// and returns the exit status.
int RunConditions(const Options& options, const std::string& version);

}  // namespace orvel::cli
