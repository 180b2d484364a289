#include "engine/beside_name.h"

#include <cstdio>

namespace orvel::engine {

namespace {

constexpr std::size_t kMaxName = 255;

}  // namespace

std::string BesideName(std::string_view name, std::string_view word, std::time_t when, int attempt) {
  const std::size_t dot = name.rfind('.');
  const std::size_t cut = dot == std::string_view::npos || dot == 0 ? name.size() : dot;
  std::string_view stem = name.substr(0, cut);
  const std::string_view extension = name.substr(cut);
  std::tm local{};
  ::localtime_r(&when, &local);
  char stamp[64];
  int length = std::snprintf(stamp, sizeof stamp, " %04d-%02d-%02d %02d%02d%02d", local.tm_year + 1900,
                             local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
  if (attempt > 1)
    length += std::snprintf(stamp + length, sizeof stamp - static_cast<std::size_t>(length), " %d", attempt);
  const std::size_t added = 2 + word.size() + static_cast<std::size_t>(length) + 1 + extension.size();
  if (stem.size() + added > kMaxName) {
    std::size_t keep = added < kMaxName ? kMaxName - added : 1;
    // Never in the middle of a UTF-8 sequence.
    while (keep > 0 && keep < stem.size() && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80) --keep;
    stem = stem.substr(0, keep);
  }
  std::string out(stem);
  out.append(" (").append(word).append(stamp, static_cast<std::size_t>(length)).append(")").append(extension);
  return out;
}

std::string FreeBesideName(std::string_view name, std::string_view word,
                           const std::function<bool(const std::string&)>& taken) {
  const std::time_t now = std::time(nullptr);
  for (int attempt = 1;; ++attempt) {
    std::string candidate = BesideName(name, word, now, attempt);
    if (!taken(candidate) || attempt > 1000) return candidate;
  }
}

}  // namespace orvel::engine
