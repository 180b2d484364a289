#include "platform/folder.h"

#include "platform/stat_util.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace orvel::platform {

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// openat2 resolves a whole relative path beneath a folder in one call; kernels
// before 5.6 (and sandboxes that filter it) lack it, and then the walk goes one
// component at a time.
std::atomic<bool> haveOpenat2{true};

std::error_code ResolveError(int number) {
  // ELOOP: a link in the way (O_NOFOLLOW or RESOLVE_NO_SYMLINKS); EXDEV: the
  // path would leave the folder.
  if (number == ELOOP || number == EXDEV) return MakeError(Fault::LinkInPath);
  return SystemError(number);
}

// The most a path handed to the system may hold, its terminating zero included.
constexpr std::size_t kPathLimit = PATH_MAX;

int OpenBeneathAtOnce(int dirfd, const char* rel) {
  open_how how{};
  how.flags = kFolderFlags | O_NOFOLLOW;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
  return static_cast<int>(::syscall(SYS_openat2, dirfd, rel, &how, sizeof how));
}

}  // namespace

CName::CName(std::string_view name) {
  valid_ = name.find('\0') == std::string_view::npos;
  if (name.size() < sizeof small_) {
    std::memcpy(small_, name.data(), name.size());
    small_[name.size()] = '\0';
  } else {
    large_.assign(name);
    text_ = large_.c_str();
  }
}

Expected<Folder> Folder::Adopt(int fd, EntryInfo* info) {
  if (fd < 0) return LastError();
  Folder folder;
  folder.fd_.Reset(fd);
  struct stat st;
  if (::fstat(fd, &st) != 0) return LastError();
  folder.id_ = IdentityOf(st);
  if (info) *info = InfoOf(st);
  return folder;
}

Expected<Folder> Folder::OpenRoot(const std::string& path) {
  CName name(path);
  if (!name.Valid()) return MakeError(Fault::NulInPath);
  return Adopt(::open(name.Get(), kFolderFlags));
}

Expected<Folder> Folder::OpenChild(std::string_view child, EntryInfo* info) const {
  CName name(child);
  if (!name.Valid()) return MakeError(Fault::NulInPath);
  if (child.empty() || child == "." || child == ".." || child.find('/') != std::string_view::npos)
    return SystemError(EINVAL);
  const int fd = ::openat(Fd(), name.Get(), kFolderFlags | O_NOFOLLOW);
  if (fd >= 0) return Adopt(fd, info);
  // A link opened with O_NOFOLLOW and O_DIRECTORY reads as "not a folder"; it
  // is a link in the way, not an absence.
  const int error = errno;
  struct stat st;
  if (error == ENOTDIR && ::fstatat(Fd(), name.Get(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
    return MakeError(Fault::LinkInPath);
  return ResolveError(error);
}

Expected<Folder> Folder::Reopen() const { return Adopt(::openat(Fd(), ".", kFolderFlags)); }

Expected<Folder> Folder::OpenParent(std::string_view name, const Identity& expected) const {
  // ".." is the folder's real parent, never a link; either may have moved
  // since, which the identities tell.
  Expected<Folder> parent = Adopt(::openat(Fd(), "..", kFolderFlags | O_NOFOLLOW));
  if (!parent) return parent;
  if ((expected.Known() && parent->Id() != expected) || parent->LookUpIdentity(name) != Id())
    return MakeError(Fault::FolderReplaced);
  return parent;
}

Expected<Folder> Folder::OpenBeneath(std::string_view rel) const {
  while (!rel.empty() && rel.back() == '/') rel.remove_suffix(1);
  if (rel.empty()) return Reopen();
  if (rel.front() == '/') return MakeError(Fault::LinkInPath);
  // "." and ".." never come from a listing; refusing them keeps the walk inside.
  for (std::size_t begin = 0; begin <= rel.size();) {
    std::size_t end = rel.find('/', begin);
    if (end == std::string_view::npos) end = rel.size();
    const std::string_view part = rel.substr(begin, end - begin);
    if (part.empty() || part == "." || part == "..") return SystemError(EINVAL);
    begin = end + 1;
  }
  if (rel.find('\0') != std::string_view::npos) return MakeError(Fault::NulInPath);
  // A path longer than the system takes in one call goes in pieces, each cut
  // after a whole name and opened below the folder the piece before it reached.
  Expected<Folder> current = Folder();
  const Folder* from = this;
  while (!rel.empty()) {
    std::size_t take = rel.size();
    if (take >= kPathLimit) {
      take = rel.rfind('/', kPathLimit - 1);
      // A single name never exceeds NAME_MAX, so a cut is always found.
      if (take == std::string_view::npos || take == 0) return SystemError(ENAMETOOLONG);
    }
    current = from->OpenBeneathPiece(rel.substr(0, take));
    if (!current) return current;
    from = &*current;
    rel.remove_prefix(std::min(rel.size(), take + 1));
  }
  return current;
}

Expected<Folder> Folder::OpenBeneathPiece(std::string_view rel) const {
  CName path(rel);
  if (haveOpenat2.load(std::memory_order_relaxed)) {
    const int fd = OpenBeneathAtOnce(Fd(), path.Get());
    if (fd >= 0) return Adopt(fd);
    // ENOTDIR does not say whether a file or a link stood in the way: the walk
    // below tells.
    if (errno != ENOSYS && errno != EPERM && errno != ENOTDIR) return ResolveError(errno);
    if (errno != ENOTDIR) haveOpenat2.store(false, std::memory_order_relaxed);
  }
  Expected<Folder> current = Reopen();
  for (std::size_t begin = 0; begin < rel.size() && current;) {
    std::size_t end = rel.find('/', begin);
    if (end == std::string_view::npos) end = rel.size();
    current = current->OpenChild(rel.substr(begin, end - begin));
    begin = end + 1;
  }
  return current;
}

EntryInfo Folder::LookUp(std::string_view child, Identity* identity) const {
  if (identity) *identity = {};
  CName name(child);
  if (!name.Valid()) return EntryInfo{false, false, {}, MakeError(Fault::NulInPath), false};
  struct stat st;
  if (::fstatat(Fd(), name.Get(), &st, AT_SYMLINK_NOFOLLOW) != 0) return MissingOrFailed(errno);
  if (identity) *identity = IdentityOf(st);
  return InfoOf(st);
}

EntryInfo Folder::LookUpWritten(std::string_view child) const {
  CName name(child);
  if (!name.Valid()) return EntryInfo{false, false, {}, MakeError(Fault::NulInPath), false};
  struct stat st;
  if (::fstatat(Fd(), name.Get(), &st, AT_SYMLINK_NOFOLLOW) != 0) return MissingOrFailed(errno);
  return InfoOf(st, true);
}

Identity Folder::LookUpIdentity(std::string_view child) const {
  CName name(child);
  struct stat st;
  if (!name.Valid() || ::fstatat(Fd(), name.Get(), &st, AT_SYMLINK_NOFOLLOW) != 0) return {};
  return IdentityOf(st);
}

}  // namespace orvel::platform
