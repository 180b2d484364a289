#pragma once

#include <cstdint>
#include <string>

namespace orvel::platform {

// What a file system can hold and how far its word reaches, as far as its type
// tells (statfs, and the subtype of a FUSE mount).
struct FileSystemTraits {
  std::int64_t timeUnitNs = 1;  // the finest step of the last-write times it keeps
  bool fuse = false;            // a FUSE file system: what it does with a link's time is its own affair
  bool network = false;         // another machine may change it (NFS, SMB, sshfs, …)
  std::string type;             // "ext2/ext3/ext4", "fuse.sshfs", … for messages
};

// The traits of the file system the open folder `fd` lies on. One statfs, and
// for a FUSE mount one read of /proc/self/mountinfo.
FileSystemTraits TraitsOfFolder(int fd);
// What the statfs type alone tells (a FUSE mount's subtype is not in it): for a
// folder on another machine, whose far side told its type.
FileSystemTraits TraitsOfType(std::uint64_t type);

// The coarser of two time units.
constexpr std::int64_t CoarserUnit(std::int64_t a, std::int64_t b) { return a > b ? a : b; }

// "2 s", "1 s", "10 ms", "100 ns" …: a time unit as people read it.
std::string TimeUnitText(std::int64_t unitNs);

// The unit a file system kept of a time it was given: the finest of the usual
// steps that explains `kept` as `wanted` cut down to it, or 0 when none does
// (the time was not kept at all).
std::int64_t KeptUnit(std::int64_t wantedNs, std::int64_t keptNs);

}  // namespace orvel::platform
