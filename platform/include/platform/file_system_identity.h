#pragma once

#include <cstdint>

namespace orvel::platform {

// What tells a root folder from another that may stand at the same path later:
// a freshly formatted disk on the same device number (root inode 2 again), a
// folder removed and made again that got the old inode number back.
struct RootIdentity {
  std::uint64_t fileSystem = 0;  // FileSystemKeyOf
  std::uint64_t inode = 0;
  // The birth time in nanoseconds where the file system keeps one, else the
  // inode's generation; 0 when neither is known.
  std::int64_t birth = 0;

  bool Known() const { return fileSystem != 0 || inode != 0; }
  friend bool operator==(const RootIdentity&, const RootIdentity&) = default;
};

// The file system an open descriptor lies on: its f_fsid (derived from the
// volume's UUID on ext2/3/4 and btrfs) with its type, and on FAT the volume's
// serial number; the device number only where the kernel gives no fsid. Never 0;
// 0 also when the descriptor cannot be asked.
std::uint64_t FileSystemKeyOf(int fd);

RootIdentity RootIdentityOf(int fd);

}  // namespace orvel::platform
