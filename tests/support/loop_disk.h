#pragma once

#include <string>

namespace orvel::test {

// A small file system in an image file, loop-mounted on a folder while the test
// needs it (root only; otherwise Why() says why not, and the test skips).
class LoopDisk {
 public:
  // format: the mkfs command and its options, e.g. "mkfs.ext4 -q -b 1024";
  // image: where the image file goes (outside the trees compared).
  LoopDisk(std::string format, std::string mountPoint, std::string image);
  ~LoopDisk();
  LoopDisk(const LoopDisk&) = delete;
  LoopDisk& operator=(const LoopDisk&) = delete;

  const std::string& Why() const { return why_; }
  bool Mount();
  void Unmount();
  // Formats the image again: another disk at the same place (same device).
  bool Reformat();
  // Overwrites the n-th data block of the folder `rel` (below the disk's root,
  // "" for the root) with noise while unmounted, so that listing it fails midway.
  bool Damage(const std::string& rel, int n);

 private:
  std::string image_;
  std::string format_;
  std::string mountPoint_;
  std::string why_;
  bool mounted_ = false;
};

}  // namespace orvel::test
