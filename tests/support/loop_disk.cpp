#include "support/loop_disk.h"

#include "support/shell_command.h"

#include <sstream>
#include <vector>

#include <unistd.h>

namespace orvel::test {

namespace {

bool Run(const std::string& command) { return RunCommand(command + " >/dev/null") == 0; }

}  // namespace

LoopDisk::LoopDisk(std::string format, std::string mountPoint, std::string image)
    : image_(std::move(image)), format_(std::move(format)), mountPoint_(std::move(mountPoint)) {
  if (::geteuid() != 0) {
    why_ = "loop-mounted disks need root";
  } else if (!Run("mkdir -p '" + mountPoint_ + "' && truncate -s 16M '" + image_ + "'") || !Reformat()) {
    why_ = "cannot make or mount a disk with: " + format_;
  }
}

LoopDisk::~LoopDisk() {
  Unmount();
  ::unlink(image_.c_str());
}

bool LoopDisk::Mount() {
  if (!mounted_) mounted_ = Run("mount -o loop,errors=continue '" + image_ + "' '" + mountPoint_ + "'");
  return mounted_;
}

void LoopDisk::Unmount() {
  if (mounted_ && Run("umount '" + mountPoint_ + "'")) mounted_ = false;
}

bool LoopDisk::Reformat() {
  Unmount();
  return Run(format_ + " -F '" + image_ + "'") && Mount();
}

bool LoopDisk::Damage(const std::string& rel, int n) {
  Unmount();
  std::string listed;
  RunCommand("debugfs -R 'blocks /" + rel + "' '" + image_ + "'", &listed);
  std::istringstream blocks(listed);
  std::vector<long> numbers;
  for (long b; blocks >> b;) numbers.push_back(b);
  const bool damaged = n < static_cast<int>(numbers.size()) &&
                       Run("dd if=/dev/urandom of='" + image_ + "' bs=1024 count=1 conv=notrunc seek=" +
                           std::to_string(numbers[static_cast<std::size_t>(n)]));
  return Mount() && damaged;
}

}  // namespace orvel::test
