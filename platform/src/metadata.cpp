#include "platform/metadata.h"

#include "platform/file_system.h"
#include "platform/stat_util.h"

#include <cerrno>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace orvel::platform {

namespace {

// What a file system answers to metadata it cannot hold.
bool Refused(int number) {
  return number == EPERM || number == EOPNOTSUPP || number == EINVAL || number == ENOSYS || number == EACCES ||
         number == EROFS;
}

bool Tried(const CopySession::Device& device, CopyNote note) {
  return (device.notes & static_cast<unsigned>(note)) != 0;
}

std::int64_t Nanoseconds(const timespec& t) { return ToNanoseconds(FileTime{t.tv_sec, static_cast<std::int32_t>(t.tv_nsec)}); }

}  // namespace

void ApplyCarriedMetadata(CopySession& session, CopySession::Device& device, int fd, const FileMeta& meta,
                          mode_t createdMode) {
  static const uid_t us = ::geteuid();
  static const gid_t ourGroup = ::getegid();
  if (us == 0 && (meta.uid != us || meta.gid != ourGroup) && !Tried(device, CopyNote::OwnerNotKept)) {
    if (::fchown(fd, meta.uid, meta.gid) != 0 && Refused(errno)) session.Note(device, CopyNote::OwnerNotKept);
  }
  // Set-user-id and set-group-id are dropped: the copy belongs to whoever runs the sync.
  const mode_t wanted = meta.mode & 01777;
  if (wanted != createdMode && !Tried(device, CopyNote::ModeNotKept) && ::fchmod(fd, wanted) != 0) {
    // The sticky bit may be refused to an ordinary user; the rest must stick.
    if (errno != EPERM || ::fchmod(fd, wanted & 0777) != 0) {
      if (Refused(errno)) session.Note(device, CopyNote::ModeNotKept);
    }
  }
  for (const ExtendedAttribute& attribute : meta.attributes) {
    if (device.noXattrs) {
      // Found out by a temporary's mark, perhaps: said all the same.
      session.Note(device, CopyNote::AttributesNotKept);
      break;
    }
    if (::fsetxattr(fd, attribute.name.c_str(), attribute.value.data(), attribute.value.size(), 0) == 0) continue;
    // A file system without attributes at all is not asked again; a single
    // refused one (a namespace it lacks, a value too large) is skipped.
    if (errno == EOPNOTSUPP) device.noXattrs = true;
    session.Note(device, CopyNote::AttributesNotKept);
  }
  if (device.noTimes) return;
  const timespec times[2] = {meta.atime, meta.mtime};
  if (::futimens(fd, times) != 0) {
    if (Refused(errno)) {
      session.Note(device, CopyNote::TimesNotKept);
      device.noTimes = true;
    }
    return;
  }
  // The first time with a fraction of a second tells what the file system keeps.
  if (device.keptUnit == 0 && meta.mtime.tv_nsec != 0) {
    struct stat kept;
    if (::fstat(fd, &kept) == 0) {
      const std::int64_t unit = KeptUnit(Nanoseconds(meta.mtime), Nanoseconds(kept.st_mtim));
      device.keptUnit = unit > 0 ? unit : -1;
      if (unit == 0) session.Note(device, CopyNote::TimesNotKept);
    }
  }
}

std::error_code CopyFolderMetadata(CopySession& session, const Folder& from, const Folder& to) {
  struct stat st;
  if (::fstat(from.Fd(), &st) != 0) return LastError();
  FileMeta meta;
  meta.mode = st.st_mode;
  meta.uid = st.st_uid;
  meta.gid = st.st_gid;
  meta.atime = st.st_atim;
  meta.mtime = st.st_mtim;
  ReadCarriedAttributes(from.Fd(), meta.attributes);
  struct stat now;
  if (::fstat(to.Fd(), &now) != 0) return LastError();
  CopySession::Device& device = session.DeviceOf(now.st_dev, to.Fd());
  ApplyCarriedMetadata(session, device, to.Fd(), meta, now.st_mode & 07777);
  return {};
}

}  // namespace orvel::platform
