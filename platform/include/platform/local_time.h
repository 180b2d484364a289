#pragma once

#include "platform/file_time.h"

#include <cstdint>
#include <string>

namespace orvel::platform {

// Calendar fields of a time in local time.
struct LocalTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;      // 1 … 12
  std::uint16_t dayOfWeek = 0;  // 0 Sunday … 6
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t millisecond = 0;
};

LocalTime ToLocalTime(const FileTime& time);

// "%.4d/%.2d/%.2d %.2d:%.2d:%.2d" of the local calendar fields.
std::string FormatDate(const LocalTime& time);
std::string FormatDate(const FileTime& time);

}  // namespace orvel::platform
