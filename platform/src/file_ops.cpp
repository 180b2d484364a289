#include "platform/file_ops.h"

#include "platform/file_system.h"
#include "platform/stat_util.h"
#include "platform/temporary_name.h"
#include "platform/trash.h"
#include "platform/write_all.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvel::platform {

namespace {

std::error_code Changed() { return MakeError(Fault::ChangedSinceList); }

// lstat of a child; 0 or the error number.
int StatAt(int dirfd, const char* name, struct stat& st) {
  return ::fstatat(dirfd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

// Whether two looks at an entry saw the same thing, with the same contents.
bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size && a.st_mode == b.st_mode &&
         MtimeOf(a) == MtimeOf(b);
}

// The same, and untouched in between: the change time moves with every write,
// also one that restores the old last-write time.
bool SameState(const struct stat& a, const struct stat& b) {
  return SameFile(a, b) && a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

bool CopyByReadWrite(int in, int out) {
  thread_local std::vector<char> buffer(128 * 1024);
  for (;;) {
    const ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (!WriteAll(out, buffer.data(), static_cast<std::size_t>(n))) return false;
  }
}

// Copies the `size` bytes the source had when it was opened, or to its end when
// it shrank. The kernel copy is used where it works; file systems and kernels
// that refuse it get plain reads and writes from wherever it stopped.
bool CopyContents(int in, int out, off_t size) {
  constexpr std::size_t kChunk = std::size_t{1} << 30;
  bool copiedAny = false;
  off_t copied = 0;
  while (size == 0 || copied < size) {
    const ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, kChunk, 0);
    if (n > 0) {
      copiedAny = true;
      copied += n;
      continue;
    }
    if (n == 0) {
      // Pseudo files (/proc, /sys) give the kernel copy nothing at all; one
      // read tells them from a truly empty file.
      if (!copiedAny) break;
      return true;
    }
    if (errno == EINTR) continue;
    if (errno == EXDEV || errno == ENOSYS || errno == EOPNOTSUPP || errno == EINVAL) break;
    return false;
  }
  if (size != 0 && copied >= size) return true;
  return CopyByReadWrite(in, out);
}

// The permission bits a copy carries: set-user-id and set-group-id are dropped,
// the copy belongs to whoever runs the sync.
mode_t CopiedMode(const struct stat& st) { return st.st_mode & 01777; }

// Everything the copy carries besides the name, set on the unpublished file.
std::error_code FillCopy(int in, int out, const struct stat& st) {
  if (!CopyContents(in, out, st.st_size)) return LastError();
  const mode_t wanted = CopiedMode(st);
  if (wanted != (st.st_mode & 0777 & ~ProcessUmask()) && ::fchmod(out, wanted) != 0) {
    // The sticky bit may be refused to an ordinary user; the rest must stick.
    if (errno != EPERM || ::fchmod(out, wanted & 0777) != 0) return LastError();
  }
  const timespec times[2] = {st.st_atim, st.st_mtim};
  if (::futimens(out, times) != 0) return LastError();
  return {};
}

bool ProcFdUsable() {
  static const bool usable = ::access("/proc/self/fd", X_OK) == 0;
  return usable;
}

// Linking by descriptor (AT_EMPTY_PATH) saves the walk through /proc; kernels
// before 6.10 allow it only with CAP_DAC_READ_SEARCH, so the first refusal
// switches to the /proc name for good.
std::atomic<bool> linkByDescriptor{true};

bool UnnamedFilesLinkable() { return linkByDescriptor.load(std::memory_order_relaxed) || ProcFdUsable(); }

enum class Linked { Done, Failed, Unsupported };

Linked LinkUnnamed(int fd, int dirfd, const char* name) {
  if (linkByDescriptor.load(std::memory_order_relaxed)) {
    if (::linkat(fd, "", dirfd, name, AT_EMPTY_PATH) == 0) return Linked::Done;
    if (errno != ENOENT && errno != EPERM && errno != EINVAL) return Linked::Failed;
    linkByDescriptor.store(false, std::memory_order_relaxed);
  }
  if (!ProcFdUsable()) return Linked::Unsupported;
  char proc[40];
  std::snprintf(proc, sizeof proc, "/proc/self/fd/%d", fd);
  return ::linkat(AT_FDCWD, proc, dirfd, name, AT_SYMLINK_FOLLOW) == 0 ? Linked::Done : Linked::Failed;
}

// Removes a temporary name of ours in the destination folder, keeping errno.
void Discard(int dirfd, const std::string& tmp) {
  const int saved = errno;
  ::unlinkat(dirfd, tmp.c_str(), 0);
  errno = saved;
}

// The destination as it was looked at before the copy: absent, or this entry.
struct Destination {
  bool exists = false;
  struct stat st {};
};

// Puts the finished temporary `tmp` in the destination's place: beside nothing
// when the destination was absent (and is refused if something appeared), or
// over exactly the entry that was looked at. A destination that changed in the
// meantime is kept and the temporary removed.
std::error_code Publish(int dirfd, const std::string& tmp, const char* name, const Destination& before) {
  if (!before.exists) {
    if (::renameat2(dirfd, tmp.c_str(), dirfd, name, RENAME_NOREPLACE) == 0) return {};
    if (errno == EEXIST) {
      Discard(dirfd, tmp);
      return Changed();
    }
    if (errno != EINVAL && errno != ENOSYS) {
      Discard(dirfd, tmp);
      return LastError();
    }
    // File systems without RENAME_NOREPLACE: a link never replaces anything.
    if (::linkat(dirfd, tmp.c_str(), dirfd, name, 0) != 0) {
      const std::error_code error = errno == EEXIST ? Changed() : LastError();
      Discard(dirfd, tmp);
      return error;
    }
    Discard(dirfd, tmp);
    return {};
  }
  // Right before the replacement: the destination must be what was looked at.
  struct stat now;
  if (StatAt(dirfd, name, now) != 0 || !SameState(now, before.st)) {
    Discard(dirfd, tmp);
    return Changed();
  }
  if (::renameat2(dirfd, tmp.c_str(), dirfd, name, RENAME_EXCHANGE) == 0) {
    // What was swapped out must be the entry checked a moment ago (a rename
    // moves its change time); otherwise swap back and leave it in place.
    struct stat displaced;
    if (StatAt(dirfd, tmp.c_str(), displaced) != 0 || !SameFile(displaced, before.st)) {
      ::renameat2(dirfd, tmp.c_str(), dirfd, name, RENAME_EXCHANGE);
      Discard(dirfd, tmp);
      return Changed();
    }
    Discard(dirfd, tmp);
    return {};
  }
  if (errno != EINVAL && errno != ENOSYS) {
    Discard(dirfd, tmp);
    return LastError();
  }
  // File systems without RENAME_EXCHANGE: the check just made is the last word.
  if (::renameat(dirfd, tmp.c_str(), dirfd, name) == 0) return {};
  Discard(dirfd, tmp);
  return LastError();
}

// Gives a finished unnamed file a temporary name of its own.
std::error_code NameUnnamed(int fd, int dirfd, std::string_view name, std::string& tmp) {
  for (;;) {
    tmp = TemporaryNameFor(name);
    switch (LinkUnnamed(fd, dirfd, tmp.c_str())) {
      case Linked::Done:
        return {};
      case Linked::Unsupported:
        return SystemError(EOPNOTSUPP);
      case Linked::Failed:
        if (errno != EEXIST) return LastError();
        break;
    }
  }
}

// A temporary named file in the destination folder, created exclusively.
Expected<UniqueFd> CreateNamedTemp(int dirfd, std::string_view name, mode_t mode, std::string& tmp) {
  for (;;) {
    tmp = TemporaryNameFor(name);
    const int fd = ::openat(dirfd, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd >= 0) return UniqueFd(fd);
    if (errno != EEXIST) return LastError();
  }
}

// Makes a new file in the folder, lets `fill` write it, and puts it in place of
// `name` (see Publish). Nothing half-written ever has a name when the folder
// allows unnamed files; otherwise the hidden temporary is removed on failure.
template <typename Fill>
std::error_code WriteInPlaceOf(int toFd, const char* name, std::string_view nameView, const Destination& destination,
                               mode_t createMode, Fill&& fill) {
  std::string tmp;
  UniqueFd out;
  if (UnnamedFilesLinkable()) out.Reset(::openat(toFd, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, createMode));
  const bool unnamed = static_cast<bool>(out);
  if (!unnamed) {
    // Older kernels and some file systems (FAT, network mounts) lack O_TMPFILE.
    if (UnnamedFilesLinkable() && errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return LastError();
    Expected<UniqueFd> named = CreateNamedTemp(toFd, nameView, createMode, tmp);
    if (!named) return named.error();
    out = std::move(*named);
  }
  const auto fail = [&](std::error_code error) {
    if (!tmp.empty()) Discard(toFd, tmp);
    return error;
  };
  if (const std::error_code error = fill(out.Get())) return fail(error);

  if (unnamed) {
    if (!destination.exists) {
      // An unnamed file linked in under the final name: an entry that appeared
      // meanwhile is not replaced.
      switch (LinkUnnamed(out.Get(), toFd, name)) {
        case Linked::Done:
          if (!out.Close()) {
            const std::error_code error = LastError();
            ::unlinkat(toFd, name, 0);
            return error;
          }
          return {};
        case Linked::Failed:
          return errno == EEXIST ? Changed() : LastError();
        case Linked::Unsupported:
          return SystemError(EOPNOTSUPP);
      }
    }
    if (const std::error_code error = NameUnnamed(out.Get(), toFd, nameView, tmp)) return error;
  }
  if (!out.Close()) return fail(LastError());
  return Publish(toFd, tmp, name, destination);
}

std::error_code CopyRegular(int fromFd, const char* name, std::string_view nameView, const struct stat& seen,
                            int toFd, const Destination& destination) {
  // O_NONBLOCK: should the source have turned into a FIFO since it was looked
  // at, the open must not wait for a writer.
  UniqueFd in(::openat(fromFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!in) return errno == ELOOP ? Changed() : LastError();
  struct stat st;
  if (::fstat(in.Get(), &st) != 0) return LastError();
  if (!S_ISREG(st.st_mode) || st.st_ino != seen.st_ino || st.st_dev != seen.st_dev || MtimeOf(st) != MtimeOf(seen))
    return Changed();
  return WriteInPlaceOf(toFd, name, nameView, destination, st.st_mode & 0777, [&](int out) -> std::error_code {
    if (const std::error_code error = FillCopy(in.Get(), out, st)) return error;
    // A source written to during the copy gives a copy of no one moment.
    struct stat after;
    if (::fstat(in.Get(), &after) != 0) return LastError();
    return SameState(after, st) ? std::error_code{} : Changed();
  });
}

std::error_code CopyLink(int fromFd, const char* name, std::string_view nameView, const struct stat& seen, int toFd,
                         const Destination& destination) {
  std::string target(static_cast<std::size_t>(seen.st_size) + 1, '\0');
  const ssize_t n = ::readlinkat(fromFd, name, target.data(), target.size());
  if (n < 0) return LastError();
  // A link whose text changed length since it was looked at was replaced.
  if (static_cast<std::size_t>(n) != static_cast<std::size_t>(seen.st_size)) return Changed();
  target.resize(static_cast<std::size_t>(n));
  std::string tmp;
  for (;;) {
    tmp = TemporaryNameFor(nameView);
    if (::symlinkat(target.c_str(), toFd, tmp.c_str()) == 0) break;
    if (errno != EEXIST) return LastError();
  }
  const timespec times[2] = {seen.st_atim, seen.st_mtim};
  if (::utimensat(toFd, tmp.c_str(), times, AT_SYMLINK_NOFOLLOW) != 0) {
    const std::error_code error = LastError();
    Discard(toFd, tmp);
    return error;
  }
  struct stat after;
  if (StatAt(fromFd, name, after) != 0 || !SameState(after, seen)) {
    Discard(toFd, tmp);
    return Changed();
  }
  return Publish(toFd, tmp, name, destination);
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
                            const Expectation& destination) {
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

  Destination dst;
  const auto copy = [&] {
    return S_ISLNK(src.st_mode) ? CopyLink(from.Fd(), name.Get(), nameView, src, to.Fd(), dst)
                                : CopyRegular(from.Fd(), name.Get(), nameView, src, to.Fd(), dst);
  };
  // A destination that must hold no file needs no look first: the copy is
  // linked in beside nothing, and an entry found there then stops it as this
  // look would have (a folder with EISDIR, anything else as a change). The look
  // is the one system call a new file would pay above the floor.
  if (destination.kind == Expectation::Kind::Absent || destination.kind == Expectation::Kind::NoFile) {
    const std::error_code error = copy();
    struct stat there;
    if (error == Changed() && destination.kind == Expectation::Kind::NoFile &&
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

std::error_code WriteFileAt(const Folder& folder, std::string_view nameView, std::string_view contents) {
  CName name(nameView);
  if (!name.Valid()) return MakeError(Fault::NulInPath);
  Destination dst;
  mode_t mode = 0666 & ~ProcessUmask();
  if (const int e = StatAt(folder.Fd(), name.Get(), dst.st)) {
    if (!IsAbsence(SystemError(e))) return SystemError(e);
  } else {
    if (S_ISDIR(dst.st.st_mode)) return SystemError(EISDIR);
    dst.exists = true;
    if (S_ISREG(dst.st.st_mode)) mode = dst.st.st_mode & 07777;
  }
  return WriteInPlaceOf(folder.Fd(), name.Get(), nameView, dst, mode & 0777, [&](int out) -> std::error_code {
    if (::fchmod(out, mode) != 0) return LastError();
    if (!WriteAll(out, contents.data(), contents.size())) return LastError();
    return ::fsync(out) == 0 ? std::error_code{} : LastError();
  });
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

std::error_code MakeFolderAt(const Folder& folder, std::string_view nameView) {
  CName name(nameView);
  if (!name.Valid()) return MakeError(Fault::NulInPath);
  if (::mkdirat(folder.Fd(), name.Get(), 0777) == 0) return {};
  if (errno != EEXIST) return LastError();
  // Another process may have made it in the meantime; a file or link there is
  // no folder.
  struct stat st;
  if (StatAt(folder.Fd(), name.Get(), st) == 0 && S_ISDIR(st.st_mode)) return {};
  return SystemError(EEXIST);
}

std::error_code RemoveLeftoverAt(const Folder& folder, std::string_view nameView) {
  if (!IsTemporaryName(nameView)) return SystemError(EINVAL);
  CName name(nameView);
  struct stat st;
  if (const int e = StatAt(folder.Fd(), name.Get(), st)) return SystemError(e);
  if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) return SystemError(EINVAL);
  return ::unlinkat(folder.Fd(), name.Get(), 0) == 0 ? std::error_code{} : LastError();
}

}  // namespace orvel::platform
