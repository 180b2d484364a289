#pragma once

#include "messages.h"

#include <string>

namespace orvel::cli {

// orvel-cli --serve ROOT: the far side of a remote folder. Refuses a terminal
// (the protocol is for orvel-cli or orvel at the other end of ssh); keeps
// standard output for the protocol alone. The exit status: 0 after a clean
// end, 1 after a broken connection, 2 on a terminal.
int ServeFolder(const std::string& root, const std::string& version, Language language);

}  // namespace orvel::cli
