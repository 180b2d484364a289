#pragma once

#include <compare>
#include <cstdint>

namespace orvel::platform {

// A last-write time at the file system's full resolution (seconds since the
// epoch, UTC, and nanoseconds 0 … 999,999,999).
struct FileTime {
  std::int64_t sec = 0;
  std::int32_t nsec = 0;

  friend auto operator<=>(const FileTime&, const FileTime&) = default;
};

}  // namespace orvel::platform
