#include "support/loop_mount.h"

#include <fstream>
#include <sstream>

#include <unistd.h>

namespace orvel::test {

namespace {

struct Recipe {
  const char* type;  // in /proc/filesystems
  const char* mkfs;
  const char* mkfsArgs;
  const char* mountTool;  // empty: mount -t type
  int megabytes;
};

Recipe RecipeOf(LoopMount::Kind kind) {
  switch (kind) {
    case LoopMount::Kind::Ext2SmallInodes:
      return {"ext2", "mkfs.ext2", "-q -I 128", "", 32};
    case LoopMount::Kind::ExfatFuse:
      return {"fuse", "mkfs.exfat", "", "mount.exfat-fuse", 32};
    case LoopMount::Kind::Btrfs:
      return {"btrfs", "mkfs.btrfs", "-q", "", 128};
    case LoopMount::Kind::Vfat:
      return {"vfat", "mkfs.vfat", "", "", 32};
  }
  return {};
}

bool OnPath(const std::string& tool) { return RunCommand("command -v " + tool + " >/dev/null 2>&1") == 0; }

bool KernelHas(const std::string& type) {
  std::ifstream in("/proc/filesystems");
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() >= type.size() && line.compare(line.size() - type.size(), type.size(), type) == 0 &&
        (line.size() == type.size() || line[line.size() - type.size() - 1] == '\t'))
      return true;
  }
  return false;
}

}  // namespace

const char* LoopMount::Name(Kind kind) {
  switch (kind) {
    case Kind::Ext2SmallInodes:
      return "ext2 with 128-byte inodes";
    case Kind::ExfatFuse:
      return "exFAT through exfat-fuse";
    case Kind::Btrfs:
      return "btrfs";
    case Kind::Vfat:
      return "FAT";
  }
  return "";
}

LoopMount::LoopMount(Kind kind) {
  const Recipe recipe = RecipeOf(kind);
  const std::string tool = *recipe.mountTool ? recipe.mountTool : "mount";
  if (::geteuid() != 0) {
    reason_ = "loop mounts need root";
  } else if (!KernelHas(recipe.type)) {
    reason_ = std::string("the kernel has no ") + recipe.type + " file system";
  } else if (!OnPath(recipe.mkfs) || !OnPath(tool) || !OnPath("losetup")) {
    reason_ = std::string(recipe.mkfs) + ", " + tool + " or losetup is not installed (scripts/deps.sh)";
  } else if (kind == Kind::ExfatFuse && ::access("/dev/fuse", R_OK | W_OK) != 0) {
    reason_ = "/dev/fuse is missing";
  }
  if (!reason_.empty()) return;
  const std::string image = dir_ / "image";
  mountPoint_ = dir_ / "mnt";
  std::ostringstream steps;
  steps << "truncate -s " << recipe.megabytes << "M " << image << " && " << recipe.mkfs << ' ' << recipe.mkfsArgs
        << ' ' << image << " >/dev/null && mkdir " << mountPoint_;
  if (RunCommand(steps.str()) != 0 || RunCommand("losetup --find --show " + image, &device_) != 0 || device_.empty()) {
    reason_ = std::string("cannot make the ") + Name(kind) + " image";
    device_.clear();
    return;
  }
  const std::string mount =
      *recipe.mountTool ? tool + ' ' + device_ + ' ' + mountPoint_ : "mount -t " + std::string(recipe.type) + ' ' +
                                                                         device_ + ' ' + mountPoint_;
  mounted_ = RunCommand(mount) == 0;
  if (!mounted_) reason_ = std::string("cannot mount the ") + Name(kind) + " image";
}

LoopMount::~LoopMount() {
  if (mounted_) RunCommand("umount " + mountPoint_);
  if (!device_.empty()) RunCommand("losetup -d " + device_);
}

}  // namespace orvel::test
