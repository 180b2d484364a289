#include "platform/local_time.h"

#include <cstdio>
#include <ctime>
#include <limits>

namespace orvel::platform {

LocalTime ToLocalTime(const FileTime& time) {
  LocalTime local;
  if (time.sec < std::numeric_limits<time_t>::min() || time.sec > std::numeric_limits<time_t>::max()) return local;
  const time_t seconds = static_cast<time_t>(time.sec);
  struct tm fields;
  if (!::localtime_r(&seconds, &fields)) return local;
  const long year = static_cast<long>(fields.tm_year) + 1900;
  // Years the fields cannot hold read as no time at all.
  if (year < 0 || year > std::numeric_limits<std::uint16_t>::max()) return local;
  local.year = static_cast<std::uint16_t>(year);
  local.month = static_cast<std::uint16_t>(fields.tm_mon + 1);
  local.dayOfWeek = static_cast<std::uint16_t>(fields.tm_wday);
  local.day = static_cast<std::uint16_t>(fields.tm_mday);
  local.hour = static_cast<std::uint16_t>(fields.tm_hour);
  local.minute = static_cast<std::uint16_t>(fields.tm_min);
  local.second = static_cast<std::uint16_t>(fields.tm_sec);
  if (time.nsec > 0 && time.nsec < 1'000'000'000) local.millisecond = static_cast<std::uint16_t>(time.nsec / 1'000'000);
  return local;
}

std::string FormatDate(const LocalTime& time) {
  char text[64];
  const int length = std::snprintf(text, sizeof text, "%.4d/%.2d/%.2d %.2d:%.2d:%.2d", time.year, time.month, time.day,
                                   time.hour, time.minute, time.second);
  return std::string(text, static_cast<std::size_t>(length));
}

// Listings format many times that share a second (both sides of an equal pair,
// files written together), so the last second's text is kept per thread. The
// text depends on the second alone, as long as the zone does not change.
std::string FormatDate(const FileTime& time) {
  struct Cache {
    bool valid = false;
    std::int64_t sec = 0;
    std::string text;
  };
  thread_local Cache cache;
  if (!cache.valid || cache.sec != time.sec) {
    cache.text = FormatDate(ToLocalTime(time));
    cache.sec = time.sec;
    cache.valid = true;
  }
  return cache.text;
}

}  // namespace orvel::platform
