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

// A path cut at its last separator: the folder ("." when there is none, the
// separator itself for an entry of the root) and the name.
struct PathParts {
  std::string_view folder;
  std::string_view name;
};

inline PathParts SplitPath(std::string_view path) {
  const std::size_t cut = path.rfind(kSeparator);
  if (cut == std::string_view::npos) return {".", path};
  return {cut == 0 ? path.substr(0, 1) : path.substr(0, cut), path.substr(cut + 1)};
}

}  // namespace orvel::platform
