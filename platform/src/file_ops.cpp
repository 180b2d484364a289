#include "platform/file_ops.h"

#include "platform/destination_writer.h"
#include "platform/file_system.h"
#include "platform/stat_util.h"
#include "platform/temporary_name.h"
#include "platform/trash.h"
#include "platform/write_all.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace orvel::platform {

namespace {

std::error_code Changed() { return MakeError(Fault::ChangedSinceList); }

// lstat of a child; 0 or the error number.
int StatAt(int dirfd, const char* name, struct stat& st) {
  return ::fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

std::int64_t Nanoseconds(const timespec& t) {
  return ToNanoseconds(FileTime{t.tv_sec, static_cast<std::int32_t>(t.tv_nsec)});
}

// Where one copy goes, and who is to blame when it fails.
struct CopyTarget {
  CopySession& session;
  const Folder& to;
  const DestinationState& destination;
  CopyFaultSide& side;
};

// A file with several names whose first name this run has already copied to
// the same file system: the new name becomes a link to that copy, as long as
// neither the source nor the copy changed since. Unsupported() when it cannot.
std::error_code LinkToEarlierCopy(const CopyTarget& target, const struct stat& st, const char* name,
                                  std::string_view nameView) {
  CopySession::LinkedCopy* earlier = target.session.FindCopy(st.st_dev, st.st_ino);
  if (!earlier || earlier->destDevice != target.to.Id().device || earlier->size != st.st_size ||
      earlier->mtimeNs != Nanoseconds(st.st_mtim) || earlier->ctimeNs != Nanoseconds(st.st_ctim))
    return DestinationWriter::Unsupported();
  struct stat copy;
  if (::fstat(earlier->copy.Get(), &copy) != 0 || copy.st_ino != earlier->copyInode || copy.st_nlink == 0 ||
      Nanoseconds(copy.st_ctim) != earlier->copyCtimeNs)
    return DestinationWriter::Unsupported();
  DestinationWriter writer(target.session, target.to.Fd(), target.to.Id().device, name, nameView, target.destination);
  const std::error_code error = writer.LinkFrom(earlier->copy.Get());
  // Another name moves the copy's change time.
  if (!error && ::fstat(earlier->copy.Get(), &copy) == 0) earlier->copyCtimeNs = Nanoseconds(copy.st_ctim);
  return error;
}

// Keeps a descriptor of the copy just published, for the source's other names.
void RememberLinkedCopy(const CopyTarget& target, const struct stat& st, const char* name, std::uint64_t copyInode) {
  const CopySession::Device* device = target.session.Find(target.to.Id().device);
  if (!device || device->noHardLinks) return;
  UniqueFd copy(::openat(target.to.Fd(), name, O_PATH | O_NOFOLLOW | O_CLOEXEC));
  struct stat now;
  if (!copy || ::fstat(copy.Get(), &now) != 0 || now.st_ino != copyInode) return;
  target.session.RememberCopy(st.st_dev, st.st_ino,
                              CopySession::LinkedCopy{target.to.Id().device, std::move(copy), now.st_ino, st.st_size,
                                                      Nanoseconds(st.st_mtim), Nanoseconds(st.st_ctim),
                                                      Nanoseconds(now.st_ctim)});
}

std::error_code CopyRegular(const CopyTarget& target, int fromFd, const char* name, std::string_view nameView,
                            const struct stat& seen) {
  Expected<LocalFileSource> opened = LocalFileSource::Open(fromFd, name, seen);
  if (!opened) {
    target.side = CopyFaultSide::Source;
    return opened.error();
  }
  LocalFileSource& source = *opened;
  const struct stat& st = source.Stat();
  // Held until this copy is remembered, so a copy of another name on another
  // thread links to it rather than making a second file.
  std::optional<CopySession::LinkTurn> turn;
  if (st.st_nlink > 1) {
    turn.emplace(target.session, st.st_dev, st.st_ino);
    const std::error_code linked = LinkToEarlierCopy(target, st, name, nameView);
    if (linked != DestinationWriter::Unsupported()) return linked;
  }
  for (int attempt = 0;; ++attempt) {
    DestinationWriter writer(target.session, target.to.Fd(), target.to.Id().device, name, nameView,
                             target.destination);
    if (const std::error_code error = writer.Create(st.st_mode & 0777)) return error;
    if (const std::error_code error = writer.FillFrom(source)) {
      if (writer.FaultAtSource()) target.side = CopyFaultSide::Source;
      return error;
    }
    writer.ApplyMetadata(source.Meta());
    target.session.Probe(CopyStage::ContentsWritten);
    // A source written to during the copy gives a copy of no one moment.
    if (const std::error_code error = source.Recheck()) {
      target.side = CopyFaultSide::Source;
      return error;
    }
    struct stat made {};
    if (st.st_nlink > 1) ::fstat(writer.Fd(), &made);
    const std::error_code published = writer.Publish();
    // The file system would not name an unnamed file: once more through a hidden one.
    if (published == DestinationWriter::Retry() && attempt == 0) continue;
    if (!published && st.st_nlink > 1) RememberLinkedCopy(target, st, name, made.st_ino);
    return published;
  }
}

std::error_code CopyLink(const CopyTarget& target, int fromFd, const char* name, std::string_view nameView,
                         const struct stat& seen) {
  std::string text(static_cast<std::size_t>(seen.st_size) + 1, '\0');
  const ssize_t n = ::readlinkat(fromFd, name, text.data(), text.size());
  // A link whose text changed length since it was looked at was replaced.
  if (n < 0 || static_cast<std::size_t>(n) != static_cast<std::size_t>(seen.st_size)) {
    target.side = CopyFaultSide::Source;
    return n < 0 ? LastError() : Changed();
  }
  text.resize(static_cast<std::size_t>(n));
  DestinationWriter writer(target.session, target.to.Fd(), target.to.Id().device, name, nameView, target.destination);
  const int toFd = target.to.Fd();
  std::string tmp;
  for (;;) {
    tmp = TemporaryNameFor(nameView);
    if (::symlinkat(text.c_str(), toFd, tmp.c_str()) == 0) break;
    if (errno != EEXIST) return LastError();
  }
  writer.AdoptTemporary(tmp);
  CopySession::Device& device = writer.Device();
  // A FUSE file system may apply a link's time to what the link points at
  // (sshfs does, on the server): such links keep the time of their making.
  if (device.traits.fuse) {
    target.session.Note(device, CopyNote::LinkTimesLeft);
  } else if (!device.noTimes) {
    const timespec times[2] = {seen.st_atim, seen.st_mtim};
    if (::utimensat(toFd, tmp.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
      if (errno != EOPNOTSUPP && errno != EPERM && errno != EINVAL) return LastError();
      target.session.Note(device, CopyNote::LinkTimesLeft);
    } else {
      // The link itself must carry the time now, not something it points at.
      struct stat made;
      if (StatAt(toFd, tmp.c_str(), made) != 0) return LastError();
      if (!S_ISLNK(made.st_mode)) return Changed();
      if (KeptUnit(Nanoseconds(seen.st_mtim), Nanoseconds(made.st_mtim)) == 0)
        target.session.Note(device, CopyNote::LinkTimesLeft);
    }
  }
  target.session.Probe(CopyStage::ContentsWritten);
  // A link replaced meanwhile by one of the same length reads the same; only
  // a look at the entry itself tells.
  struct stat after;
  if (StatAt(fromFd, name, after) != 0 || !SameState(after, seen)) {
    target.side = CopyFaultSide::Source;
    return Changed();
  }
  return writer.Publish();
}

}  // namespace

bool Expectation::MetBy(const EntryInfo& now) const {
  switch (kind) {
    case Kind::Unchecked:
      return true;
    case Kind::Absent:
      return !now.exists;
    case Kind::NoFile:
      return !now.exists || now.directory;
    case Kind::File:
      return now.exists && !now.directory && now.mtime == mtime;
    case Kind::Folder:
      return now.exists && now.directory && now.mtime == mtime;
  }
  return false;
}

std::error_code CopyEntryAt(const Folder& from, std::string_view nameView, const Expectation& source, const Folder& to,
                            const Expectation& destination, CopySession& session, CopyFaultSide* faultSide) {
  CopyFaultSide ignored = CopyFaultSide::Destination;
  CopyFaultSide& side = faultSide ? *faultSide : ignored;
  side = CopyFaultSide::Source;
  CName name(nameView);
  if (!name.Valid()) return MakeError(Fault::NulInPath);
  struct stat src;
  if (const int e = StatAt(from.Fd(), name.Get(), src)) {
    // A source that vanished since it was listed is a change, not a failure.
    if (source.kind == Expectation::Kind::File && IsAbsence(SystemError(e))) return Changed();
    return SystemError(e);
  }
  if (!source.MetBy(InfoOf(src))) return Changed();
  if (S_ISDIR(src.st_mode)) return SystemError(EISDIR);
  if (!S_ISREG(src.st_mode) && !S_ISLNK(src.st_mode)) return MakeError(Fault::SpecialFile);
  side = CopyFaultSide::Destination;

  DestinationState dst;
  const CopyTarget target{session, to, dst, side};
  const auto copy = [&] {
    return S_ISLNK(src.st_mode) ? CopyLink(target, from.Fd(), name.Get(), nameView, src)
                                : CopyRegular(target, from.Fd(), name.Get(), nameView, src);
  };
  // A destination that must hold no file needs no look first: the copy is
  // linked in beside nothing, and an entry found there then stops it as this
  // look would have (a folder with EISDIR, anything else as a change). The look
  // is the one system call a new file would pay above the floor.
  if (destination.kind == Expectation::Kind::Absent || destination.kind == Expectation::Kind::NoFile) {
    const std::error_code error = copy();
    struct stat there;
    if (error == Changed() && side == CopyFaultSide::Destination && destination.kind == Expectation::Kind::NoFile &&
        StatAt(to.Fd(), name.Get(), there) == 0 && S_ISDIR(there.st_mode))
      return SystemError(EISDIR);
    return error;
  }
  if (const int e = StatAt(to.Fd(), name.Get(), dst.st)) {
    if (!IsAbsence(SystemError(e))) return SystemError(e);
    if (!destination.MetBy(EntryInfo{})) return Changed();
  } else {
    dst.exists = true;
    if (!destination.MetBy(InfoOf(dst.st))) return Changed();
    if (S_ISDIR(dst.st.st_mode)) return SystemError(EISDIR);
    if (IsReadOnlyMode(dst.st.st_mode)) return MakeError(Fault::ReadOnly);
  }
  return copy();
}

std::error_code CopyEntryAt(const Folder& from, std::string_view name, const Expectation& source, const Folder& to,
                            const Expectation& destination) {
  CopySession session;
  return CopyEntryAt(from, name, source, to, destination, session);
}

std::error_code WriteFileAt(const Folder& folder, std::string_view nameView, std::string_view contents) {
  CName name(nameView);
  if (!name.Valid()) return MakeError(Fault::NulInPath);
  DestinationState dst;
  mode_t mode = 0666 & ~ProcessUmask();
  if (const int e = StatAt(folder.Fd(), name.Get(), dst.st)) {
    if (!IsAbsence(SystemError(e))) return SystemError(e);
  } else {
    if (S_ISDIR(dst.st.st_mode)) return SystemError(EISDIR);
    dst.exists = true;
    if (S_ISREG(dst.st.st_mode)) mode = dst.st.st_mode & 07777;
  }
  CopySession session;
  for (int attempt = 0;; ++attempt) {
    DestinationWriter writer(session, folder.Fd(), folder.Id().device, name.Get(), nameView, dst);
    if (const std::error_code error = writer.Create(mode & 0777)) return error;
    if (::fchmod(writer.Fd(), mode) != 0) return LastError();
    if (!WriteAll(writer.Fd(), contents.data(), contents.size())) return LastError();
    if (::fsync(writer.Fd()) != 0) return LastError();
    const std::error_code published = writer.Publish();
    if (published == DestinationWriter::Retry() && attempt == 0) continue;
    return published;
  }
}

std::error_code DeleteEntryAt(const Folder& folder, std::string_view nameView, const Expectation& expect,
                              bool toTrash) {
  CName name(nameView);
  if (!name.Valid()) return MakeError(Fault::NulInPath);
  struct stat st;
  if (const int e = StatAt(folder.Fd(), name.Get(), st)) return SystemError(e);
  if (!expect.MetBy(InfoOf(st))) return Changed();
  if (S_ISDIR(st.st_mode)) {
    // A folder is removed only when empty, and never goes to the trash.
    return ::unlinkat(folder.Fd(), name.Get(), AT_REMOVEDIR) == 0 ? std::error_code{} : LastError();
  }
  // Root could unlink it anyway; a file without write bits counts as read-only
  // and is kept all the same.
  if (IsReadOnlyMode(st.st_mode)) return MakeError(Fault::ReadOnly);
  if (toTrash) return TrashEntryAt(folder, nameView, IdentityOf(st));
  return ::unlinkat(folder.Fd(), name.Get(), 0) == 0 ? std::error_code{} : LastError();
}

std::error_code MakeFolderAt(const Folder& folder, std::string_view nameView, bool* madeHere) {
  if (madeHere) *madeHere = false;
  CName name(nameView);
  if (!name.Valid()) return MakeError(Fault::NulInPath);
  if (::mkdirat(folder.Fd(), name.Get(), 0777) == 0) {
    if (madeHere) *madeHere = true;
    return {};
  }
  if (errno != EEXIST) return LastError();
  // Another process may have made it in the meantime; a file or link there is
  // no folder.
  struct stat st;
  if (StatAt(folder.Fd(), name.Get(), st) == 0 && S_ISDIR(st.st_mode)) return {};
  return SystemError(EEXIST);
}

bool PassOverTemporary(const Folder& folder, std::string_view nameView, bool remove, LeftoverTally* tally) {
  if (!IsTemporaryName(nameView)) return false;
  CName name(nameView);
  struct stat seen;
  if (!name.Valid() || StatAt(folder.Fd(), name.Get(), seen) != 0 || !S_ISREG(seen.st_mode)) return false;
  // Opened without blocking and without following a link; it must be the
  // entry just looked at.
  UniqueFd file(::openat(folder.Fd(), name.Get(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  struct stat opened;
  if (!file || ::fstat(file.Get(), &opened) != 0 || !SameFile(opened, seen)) return false;
  char mark[kMaxTemporaryNameBytes];
  const ssize_t n = ::fgetxattr(file.Get(), kTemporaryMark, mark, sizeof mark);
  if (n < 0) {
    if (errno == EOPNOTSUPP && tally) tally->unproven.fetch_add(1, std::memory_order_relaxed);
    return false;
  }
  if (std::string_view(mark, static_cast<std::size_t>(n)) != nameView) return false;
  if (!remove) return true;
  struct stat now;
  if (StatAt(folder.Fd(), name.Get(), now) == 0 && SameFile(now, seen) && ::unlinkat(folder.Fd(), name.Get(), 0) == 0 &&
      tally)
    tally->removed.fetch_add(1, std::memory_order_relaxed);
  return true;
}

}  // namespace orvel::platform
