#pragma once

#include <string>
#include <string_view>

namespace orvel::platform {

// A copy is written under a hidden name beside its destination,
// ".<name>.orvel-XXXXXX" (six letters or digits), and renamed over it when
// complete. Such names belong to the program: they are never listed, compared or
// copied, and a leftover of a killed run is removed by the next sync run.
std::string TemporaryNameFor(std::string_view name);
bool IsTemporaryName(std::string_view name);

}  // namespace orvel::platform
