#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace orvel::engine {

// The name of a version kept beside another of the same name:
// "NAME (WORD YYYY-MM-DD HHMMSS).EXT" in local time, the extension kept (a name
// that only begins with a dot has none). Later attempts, for a name already
// taken, add their number after the time. The result stays within 255 bytes,
// NAME shortened at a character's boundary when it must.
std::string BesideName(std::string_view name, std::string_view word, std::time_t when, int attempt = 1);

}  // namespace orvel::engine
