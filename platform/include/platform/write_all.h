#pragma once

#include <cstddef>

namespace orvel::platform {

// Writes every byte, going on after short writes and interruptions; false with
// errno set on failure.
bool WriteAll(int fd, const char* data, std::size_t size);

}  // namespace orvel::platform
