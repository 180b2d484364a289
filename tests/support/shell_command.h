#pragma once

#include <string>

namespace orvel::test {

// Runs a command through the shell (its standard error discarded); its exit
// status, and its standard output without trailing newlines in *out when asked.
int RunCommand(const std::string& command, std::string* out = nullptr);

}  // namespace orvel::test
