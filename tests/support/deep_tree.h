#pragma once

#include "support/temp_tree.h"

#include <cstddef>
#include <optional>
#include <string>

namespace orvel::test {

// A chain of `depth` folders named `name` below `root`, each made with mkdirat
// inside the one above (no path ever reaches the system); the deepest holds
// the file `file` when one is named.
void MakeDeepChain(const std::string& root, std::size_t depth, const std::string& name, const std::string& file = {},
                   const std::string& content = {});

// How deep the chain below `root` goes, and what its deepest folder holds as `file`.
struct DeepChain {
  std::size_t depth = 0;
  std::optional<std::string> file;
};
DeepChain ReadDeepChain(const std::string& root, const std::string& name, const std::string& file);

// A memory file system (tmpfs) on a temp folder while the object lives, where
// the test runs as root: a hundred thousand folders are made and removed there
// in a second, not in minutes of disk writes. Elsewhere just the temp folder.
class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  std::string operator/(const std::string& relative) const { return dir_ / relative; }

 private:
  TempDir dir_;
  bool mounted_ = false;
};

// Removes the folder and everything in it one folder at a time, with two
// descriptors at most: any depth.
void RemoveDeepTree(const std::string& path);

}  // namespace orvel::test
