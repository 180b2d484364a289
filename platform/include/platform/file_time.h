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

inline constexpr std::int64_t kNanosecondsPerSecond = 1000000000;

// The time as one count of nanoseconds since the epoch (enough for the years
// 1678 to 2261), and back.
constexpr std::int64_t ToNanoseconds(FileTime t) { return t.sec * kNanosecondsPerSecond + t.nsec; }

constexpr FileTime FromNanoseconds(std::int64_t ns) {
  std::int64_t sec = ns / kNanosecondsPerSecond;
  std::int64_t rest = ns % kNanosecondsPerSecond;
  if (rest < 0) {
    rest += kNanosecondsPerSecond;
    --sec;
  }
  return {sec, static_cast<std::int32_t>(rest)};
}

}  // namespace orvel::platform
