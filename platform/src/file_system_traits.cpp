#include "platform/file_system_traits.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

namespace orvel::platform {

namespace {

constexpr std::int64_t kSecond = 1'000'000'000;

// statfs f_type values (linux/magic.h and the file systems' own headers).
constexpr unsigned long kMsdos = 0x4d44;
constexpr unsigned long kExfat = 0x2011BAB0;
constexpr unsigned long kFuse = 0x65735546;
constexpr unsigned long kIso9660 = 0x9660;
constexpr unsigned long kHfsPlus = 0x482b;
constexpr unsigned long kNtfs3 = 0x7366746e;
constexpr unsigned long kNfs = 0x6969;
constexpr unsigned long kCifs = 0xFF534D42;
constexpr unsigned long kSmb2 = 0xFE534D42;
constexpr unsigned long kSmb = 0x517B;
constexpr unsigned long kCeph = 0x00C36400;
constexpr unsigned long kV9fs = 0x01021997;
constexpr unsigned long kAfs = 0x5346414F;
constexpr unsigned long kExt = 0xEF53;
constexpr unsigned long kBtrfs = 0x9123683E;
constexpr unsigned long kTmpfs = 0x01021994;
constexpr unsigned long kXfs = 0x58465342;

// The type field of the mount the device belongs to ("fuse.sshfs", "fuseblk").
std::string MountTypeOf(dev_t device) {
  std::ifstream in("/proc/self/mountinfo");
  char wanted[32];
  std::snprintf(wanted, sizeof wanted, "%u:%u", ::major(device), ::minor(device));
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string id, parent, numbers;
    fields >> id >> parent >> numbers;
    if (numbers != wanted) continue;
    const auto dash = line.find(" - ");
    if (dash == std::string::npos) continue;
    std::istringstream rest(line.substr(dash + 3));
    std::string type;
    rest >> type;
    return type;
  }
  return {};
}

}  // namespace

FileSystemTraits TraitsOfFolder(int fd) {
  struct statfs fs {};
  if (::fstatfs(fd, &fs) != 0) return {};
  FileSystemTraits traits = TraitsOfType(static_cast<std::uint64_t>(fs.f_type));
  if (traits.fuse) {
    struct stat st {};
    traits.type = ::fstat(fd, &st) == 0 ? MountTypeOf(st.st_dev) : std::string();
    if (traits.type.empty()) traits.type = "fuse";
    // sshfs hands out whole seconds; other FUSE file systems are learned
    // from what they keep.
    if (traits.type == "fuse.sshfs") {
      traits.timeUnitNs = kSecond;
      traits.network = true;
    }
  }
  return traits;
}

FileSystemTraits TraitsOfType(std::uint64_t type) {
  FileSystemTraits traits;
  switch (static_cast<unsigned long>(type)) {
    case kMsdos:
      traits.timeUnitNs = 2 * kSecond;
      traits.type = "vfat";
      break;
    case kExfat:
      traits.timeUnitNs = 10'000'000;
      traits.type = "exfat";
      break;
    case kIso9660:
    case kHfsPlus:
      traits.timeUnitNs = kSecond;
      traits.type = type == kIso9660 ? "iso9660" : "hfsplus";
      break;
    case kNtfs3:
      traits.timeUnitNs = 100;
      traits.type = "ntfs3";
      break;
    case kCifs:
    case kSmb2:
    case kSmb:
      traits.timeUnitNs = 100;
      traits.network = true;
      traits.type = "smb";
      break;
    case kNfs:
    case kCeph:
    case kV9fs:
    case kAfs:
      traits.network = true;
      traits.type = "network";
      break;
    case kFuse:
      traits.fuse = true;
      traits.type = "fuse";
      break;
    case kExt:
      traits.type = "ext2/ext3/ext4";
      break;
    case kBtrfs:
      traits.type = "btrfs";
      break;
    case kTmpfs:
      traits.type = "tmpfs";
      break;
    case kXfs:
      traits.type = "xfs";
      break;
    default:
      break;
  }
  return traits;
}

std::string TimeUnitText(std::int64_t unitNs) {
  char text[32];
  if (unitNs >= kSecond && unitNs % kSecond == 0) {
    std::snprintf(text, sizeof text, "%lld s", static_cast<long long>(unitNs / kSecond));
  } else if (unitNs >= 1'000'000 && unitNs % 1'000'000 == 0) {
    std::snprintf(text, sizeof text, "%lld ms", static_cast<long long>(unitNs / 1'000'000));
  } else if (unitNs >= 1'000 && unitNs % 1'000 == 0) {
    std::snprintf(text, sizeof text, "%lld µs", static_cast<long long>(unitNs / 1'000));
  } else {
    std::snprintf(text, sizeof text, "%lld ns", static_cast<long long>(unitNs));
  }
  return text;
}

std::int64_t KeptUnit(std::int64_t wantedNs, std::int64_t keptNs) {
  for (const std::int64_t unit : {std::int64_t{1}, std::int64_t{100}, std::int64_t{1'000}, std::int64_t{1'000'000},
                                  std::int64_t{10'000'000}, kSecond, 2 * kSecond}) {
    std::int64_t cut = wantedNs / unit * unit;
    if (cut > wantedNs) cut -= unit;  // times before 1970 are cut downwards too
    if (cut == keptNs) return unit;
  }
  return 0;
}

}  // namespace orvel::platform
