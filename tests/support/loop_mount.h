#pragma once

#include "support/shell_command.h"
#include "support/temp_tree.h"

#include <string>

namespace orvel::test {

// A file system of its own for a test: an image in a temp folder, made by its
// mkfs and mounted through a loop device (exFAT through exfat-fuse). The
// destructor unmounts it and detaches the device, also after a failed test.
// Where it cannot be had (not root, a tool or the kernel's support missing)
// Mounted() is false and SkipReason() says why.
class LoopMount {
 public:
  enum class Kind { Ext2SmallInodes, ExfatFuse, Btrfs, Vfat };
  explicit LoopMount(Kind kind);
  ~LoopMount();
  LoopMount(const LoopMount&) = delete;
  LoopMount& operator=(const LoopMount&) = delete;

  bool Mounted() const { return mounted_; }
  const std::string& SkipReason() const { return reason_; }
  // The mount point, without a trailing separator.
  const std::string& Path() const { return mountPoint_; }
  static const char* Name(Kind kind);

 private:
  TempDir dir_;
  std::string device_;
  std::string mountPoint_;
  std::string reason_;
  bool mounted_ = false;
};

}  // namespace orvel::test
