#pragma once

#include <string>
#include <vector>

namespace orvel::ui {

// The desktop program is ssh's askpass program: ssh starts it with the prompt
// as its one argument and this marker in its environment, and reads the answer
// from its standard output.
inline constexpr const char* kAskpassMarker = "ORVEL_ASKPASS";

// Whether this process was started by ssh to ask (the marker set to 1 and one
// argument).
bool IsAskpassCall(int argc, const char* marker);

// Names `program` (this program's own path) as the askpass of the ssh that the
// desktop program starts from now on.
void UseOwnAskpass(const std::string& program);

// What that ssh gets in its environment: SSH_ASKPASS, the marker, and
// SSH_ASKPASS_REQUIRE (force without a terminal, where ssh would otherwise
// fail; prefer with one). Nothing before UseOwnAskpass.
std::vector<std::string> AskpassEnvironment(bool haveTerminal);

// Whether this process has a terminal ssh could ask on.
bool HaveTerminal();

}  // namespace orvel::ui
