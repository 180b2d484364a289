#pragma once

#include "platform/copy_session.h"
#include "platform/copy_source.h"
#include "platform/error.h"
#include "platform/unique_fd.h"

#include <string>
#include <string_view>

#include <sys/stat.h>

namespace orvel::platform {

// The destination as it was looked at before a copy: absent, or this entry.
struct DestinationState {
  bool exists = false;
  struct stat st {};
};

// The writing half of a copy: a new file in the destination folder (unnamed
// where the file system allows, a hidden temporary otherwise), filled from a
// source's bytes and extents, given the metadata the file system can hold,
// and put in the destination's place only while the destination is still as
// it was looked at. Whatever the file system lacks (unnamed files, renames
// that never replace, exchanges, hard links, modes, owners, times, attributes)
// is found once per run and per file system through the session, and the next
// best way is taken.
//
// A writer that is not published leaves nothing behind.
class DestinationWriter {
 public:
  // dirFd, name: the destination folder (verified by the caller) and the name
  // to publish under; device: the folder's device number.
  DestinationWriter(CopySession& session, int dirFd, std::uint64_t device, const char* name, std::string_view nameView,
                    const DestinationState& before);
  ~DestinationWriter();
  DestinationWriter(const DestinationWriter&) = delete;
  DestinationWriter& operator=(const DestinationWriter&) = delete;

  // The new, empty file, with these permission bits for a start.
  std::error_code Create(mode_t mode);
  int Fd() const { return out_.Get(); }

  // The source's bytes, holes kept as holes; copies between local files go
  // through the kernel (copy_file_range: shared extents where the file system
  // has them). After a failure FaultAtSource() tells whose it was.
  std::error_code FillFrom(CopySource& source);
  bool FaultAtSource() const { return sourceFault_; }

  // Owner (as root), permission bits (set-id bits dropped), attributes and
  // times, as far as the file system holds them; a refusal is noted, never
  // a failure. Learns the unit the file system keeps times in.
  void ApplyMetadata(const FileMeta& meta);

  // Takes the destination's place (see the class comment).
  std::error_code Publish();

  // Instead of Create and FillFrom: a new name for the file the O_PATH
  // descriptor `file` names (a hard link). Unsupported() when the file system
  // has no hard links.
  std::error_code LinkFrom(int file);
  // Instead of Create: a temporary made by the caller (a link) in the folder.
  void AdoptTemporary(std::string tmp) { tmp_ = std::move(tmp); }
  const std::string& Temporary() const { return tmp_; }

  static std::error_code Unsupported() { return SystemError(EOPNOTSUPP); }
  // The unnamed file could not be named: the copy must be made again with a
  // hidden temporary (which Create now takes).
  static std::error_code Retry() { return SystemError(EXDEV); }

  CopySession::Device& Device() { return device_; }

 private:
  // The temporary's mark (see temporary_name.h), while it has a name of its own.
  void Mark();
  void Unmark();
  std::error_code PublishNamed();
  std::error_code PublishNew();
  void Discard();

  CopySession& session_;
  CopySession::Device& device_;
  int dirFd_;
  const char* name_;
  std::string_view nameView_;
  DestinationState before_;
  UniqueFd out_;
  bool unnamed_ = false;
  std::string tmp_;
  bool sourceFault_ = false;
  bool marked_ = false;
  mode_t createdMode_ = 0;
};

}  // namespace orvel::platform
