#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>

namespace orvel::engine {

// Relative folder paths ('/'-separated) kept as a tree of names: a path and
// every folder above it cost one name each, so paths a hundred thousand
// folders deep take memory in proportion to their depth.
class FolderPathSet {
 public:
  // Adds the folder and those above it; `added(length)` hears of each one new
  // to the set (rel.substr(0, length)), from the top down.
  template <typename Added>
  void Add(std::string_view rel, Added&& added) {
    std::uint32_t parent = 0;
    for (std::size_t begin = 0; begin < rel.size();) {
      std::size_t end = rel.find('/', begin);
      if (end == std::string_view::npos) end = rel.size();
      if (end > begin) {
        const auto [at, isNew] = children_.try_emplace(Key(parent, rel.substr(begin, end - begin)),
                                                       static_cast<std::uint32_t>(children_.size() + 1));
        parent = at->second;
        if (isNew) added(end);
      }
      begin = end + 1;
    }
  }
  bool Contains(std::string_view rel) const {
    std::uint32_t parent = 0;
    for (std::size_t begin = 0; begin < rel.size();) {
      std::size_t end = rel.find('/', begin);
      if (end == std::string_view::npos) end = rel.size();
      if (end > begin) {
        const auto at = children_.find(Key(parent, rel.substr(begin, end - begin)));
        if (at == children_.end()) return false;
        parent = at->second;
      }
      begin = end + 1;
    }
    return true;
  }

 private:
  static std::string Key(std::uint32_t parent, std::string_view name) {
    std::string key(sizeof parent, '\0');
    std::memcpy(key.data(), &parent, sizeof parent);
    return key.append(name);
  }
  std::unordered_map<std::string, std::uint32_t> children_;  // (parent, name) -> folder; 0 is the root
};

}  // namespace orvel::engine
