#include "engine/amounts.h"

#include <cstdio>

namespace orvel::engine {

std::string BytesText(std::uint64_t bytes) {
  if (bytes < 1024) return std::to_string(bytes) + " B";
  static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
  double value = static_cast<double>(bytes) / 1024;
  std::size_t unit = 0;
  // 1023.96 KiB would read "1024.0 KiB": the next unit takes over before that.
  while (value >= 1023.95 && unit + 1 < std::size(kUnits)) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

std::string DurationText(std::chrono::seconds duration) {
  const long long total = duration.count() < 0 ? 0 : duration.count();
  const long long hours = total / 3600;
  const long long minutes = total / 60 % 60;
  const long long seconds = total % 60;
  char text[48];
  if (hours > 0) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", hours, minutes, seconds);
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld", minutes, seconds);
  }
  return text;
}

}  // namespace orvel::engine
