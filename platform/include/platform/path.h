#pragma once

#include <string>
#include <string_view>

namespace orvel::platform {

// The one separator of folder paths, relative paths and joins.
inline constexpr char kSeparator = '/';

inline bool EndsWithSeparator(std::string_view path) { return !path.empty() && path.back() == kSeparator; }

// Returns path with one separator appended when it does not already end in one.
inline std::string WithTrailingSeparator(std::string path) {
  if (!EndsWithSeparator(path)) path.push_back(kSeparator);
  return path;
}

}  // namespace orvel::platform
