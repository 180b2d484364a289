#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace orvel::engine {

// Amounts as both front ends write them, the same in every language: bytes in
// binary units with one decimal ("512 B", "1.5 KiB", "3.2 GiB"), durations as
// minutes and seconds or hours, minutes and seconds ("0:07", "12:34", "1:02:03").
std::string BytesText(std::uint64_t bytes);
std::string DurationText(std::chrono::seconds duration);

}  // namespace orvel::engine
