#include "platform/file_system_identity.h"

#include <cstring>

#include <fcntl.h>
#include <linux/fs.h>
#include <linux/magic.h>
#include <linux/msdos_fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/vfs.h>

namespace orvel::platform {

namespace {

std::uint64_t Mix(std::uint64_t h, std::uint64_t value) {
  h ^= value + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  h ^= h >> 31;
  h *= 0xBF58476D1CE4E5B9ull;
  return h ^ (h >> 29);
}

}  // namespace

std::uint64_t FileSystemKeyOf(int fd) {
  struct statfs fs {};
  if (::fstatfs(fd, &fs) != 0) return 0;
  std::uint64_t fsid = 0;
  static_assert(sizeof fs.f_fsid == sizeof fsid);
  std::memcpy(&fsid, &fs.f_fsid, sizeof fsid);
  if (fsid == 0) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return 0;
    fsid = static_cast<std::uint64_t>(st.st_dev);
  }
  std::uint64_t key = Mix(Mix(0, static_cast<std::uint64_t>(fs.f_type)), fsid);
  // FAT's fsid is the device number; the volume's serial number tells two
  // disks on the same device apart.
  if (fs.f_type == MSDOS_SUPER_MAGIC) {
    __u32 serial = 0;
    if (::ioctl(fd, FAT_IOCTL_GET_VOLUME_ID, &serial) == 0) key = Mix(key, serial);
  }
  return key != 0 ? key : 1;
}

RootIdentity RootIdentityOf(int fd) {
  RootIdentity id;
  id.fileSystem = FileSystemKeyOf(fd);
  struct statx sx {};
  if (::statx(fd, "", AT_EMPTY_PATH, STATX_INO | STATX_BTIME, &sx) != 0) return id;
  id.inode = sx.stx_ino;
  if (sx.stx_mask & STATX_BTIME) {
    id.birth = static_cast<std::int64_t>(sx.stx_btime.tv_sec) * 1000000000 + sx.stx_btime.tv_nsec;
  } else {
    // ext2/ext3 with small inodes keep no birth time; a new inode gets a new generation.
    long generation = 0;
    if (::ioctl(fd, FS_IOC_GETVERSION, &generation) == 0) id.birth = generation;
  }
  return id;
}

}  // namespace orvel::platform
