#pragma once

#include "platform/error.h"
#include "platform/unique_fd.h"

#include <cstdint>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

namespace orvel::platform {

// Bytes [offset, offset + length) of a file hold data; what lies between two
// extents is a hole.
struct Extent {
  std::int64_t offset = 0;
  std::int64_t length = 0;
};

struct ExtendedAttribute {
  std::string name;
  std::string value;
};

// What a copy of a regular file carries besides its bytes.
struct FileMeta {
  std::int64_t size = 0;
  mode_t mode = 0;  // type and permission bits
  uid_t uid = 0;
  gid_t gid = 0;
  timespec atime{};
  timespec mtime{};
  // user.* always, POSIX ACLs, and security.*/trusted.* when running as root.
  std::vector<ExtendedAttribute> attributes;
  bool sparse = false;  // fewer blocks than bytes: holes are worth keeping
};

// The reading half of a copy of a regular file: opened and checked against
// what the list showed, with its metadata, its data extents and its bytes, and
// a way to tell afterwards whether it was written to meanwhile. The writing
// half (DestinationWriter) needs nothing else of it, so the two may stand on
// different machines with a stream between them.
class CopySource {
 public:
  virtual ~CopySource() = default;
  virtual const FileMeta& Meta() const = 0;
  // The data ranges in order; the whole file as one range when it has no holes.
  virtual std::error_code Extents(std::vector<Extent>& out) = 0;
  // Up to `size` bytes at `offset`; 0 at the end, -1 with errno on failure.
  virtual ssize_t ReadAt(char* buffer, std::size_t size, std::int64_t offset) = 0;
  // A descriptor on this machine for the kernel's own copy (copy_file_range,
  // shared extents), or -1.
  virtual int LocalFd() const { return -1; }
  // Whether the source is still as it was opened: nothing written since, not
  // even a write that put the old last-write time back.
  virtual std::error_code Recheck() = 0;
};

// A regular file of a local folder.
class LocalFileSource final : public CopySource {
 public:
  // Opens the file `name` of the folder `dirFd`, looked at a moment ago as
  // `seen`: anything else there now (another file, a link, a FIFO) gives
  // Fault::ChangedSinceList, without waiting for a FIFO's writer.
  static Expected<LocalFileSource> Open(int dirFd, const char* name, const struct stat& seen);

  const FileMeta& Meta() const override { return meta_; }
  std::error_code Extents(std::vector<Extent>& out) override;
  ssize_t ReadAt(char* buffer, std::size_t size, std::int64_t offset) override;
  int LocalFd() const override { return fd_.Get(); }
  std::error_code Recheck() override;
  const struct stat& Stat() const { return st_; }

 private:
  UniqueFd fd_;
  struct stat st_ {};
  FileMeta meta_;
};

// Whether two looks at an entry saw the same thing with the same contents, and
// (SameState) untouched in between: the change time moves with every write,
// also one that restores the old last-write time.
bool SameFile(const struct stat& a, const struct stat& b);
bool SameState(const struct stat& a, const struct stat& b);

// The attributes of an open file or folder that a copy carries (see FileMeta).
void ReadCarriedAttributes(int fd, std::vector<ExtendedAttribute>& out);

}  // namespace orvel::platform
