#include "platform/copy_source.h"

#include "platform/stat_util.h"
#include "platform/temporary_name.h"

#include <algorithm>
#include <cerrno>
#include <string_view>

#include <fcntl.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace orvel::platform {

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_size == b.st_size && a.st_mode == b.st_mode &&
         MtimeOf(a) == MtimeOf(b);
}

bool SameState(const struct stat& a, const struct stat& b) {
  return SameFile(a, b) && a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

namespace {

bool RunningAsRoot() {
  static const bool root = ::geteuid() == 0;
  return root;
}

// The attributes `cp -a` carries: user ones always, ACLs, and the security
// and trusted namespaces when only root could set them anyway. File
// capabilities are privileges, dropped like the set-id bits.
bool Carried(std::string_view name) {
  // A leftover's mark proves the copy nothing.
  if (name == kTemporaryMark) return false;
  if (name.starts_with("user.")) return true;
  if (name == "system.posix_acl_access" || name == "system.posix_acl_default") return true;
  if (name == "security.capability") return false;
  return RunningAsRoot() && (name.starts_with("security.") || name.starts_with("trusted."));
}

}  // namespace

void ReadCarriedAttributes(int fd, std::vector<ExtendedAttribute>& out) {
  out.clear();
  char small[1024];
  std::string large;
  char* names = small;
  ssize_t length = ::flistxattr(fd, small, sizeof small);
  if (length < 0 && errno == ERANGE) {
    const ssize_t needed = ::flistxattr(fd, nullptr, 0);
    if (needed <= 0) return;
    large.resize(static_cast<std::size_t>(needed));
    length = ::flistxattr(fd, large.data(), large.size());
    names = large.data();
  }
  if (length <= 0) return;  // none, or a file system without attributes
  for (std::string_view rest(names, static_cast<std::size_t>(length)); !rest.empty();) {
    const std::string_view name(rest.data());
    rest.remove_prefix(std::min(rest.size(), name.size() + 1));
    if (!Carried(name)) continue;
    ExtendedAttribute attribute{std::string(name), {}};
    for (std::size_t capacity = 256;; capacity *= 4) {
      attribute.value.resize(capacity);
      const ssize_t n = ::fgetxattr(fd, attribute.name.c_str(), attribute.value.data(), capacity);
      if (n >= 0) {
        attribute.value.resize(static_cast<std::size_t>(n));
        out.push_back(std::move(attribute));
        break;
      }
      if (errno != ERANGE || capacity > (1u << 20)) break;  // gone meanwhile, or absurdly large
    }
  }
}

Expected<LocalFileSource> LocalFileSource::Open(int dirFd, const char* name, const struct stat& seen) {
  LocalFileSource source;
  // O_NONBLOCK: should the entry have turned into a FIFO since it was looked
  // at, the open must not wait for a writer.
  source.fd_.Reset(::openat(dirFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!source.fd_) return errno == ELOOP ? MakeError(Fault::ChangedSinceList) : LastError();
  struct stat& st = source.st_;
  if (::fstat(source.fd_.Get(), &st) != 0) return LastError();
  if (!S_ISREG(st.st_mode) || st.st_ino != seen.st_ino || st.st_dev != seen.st_dev || MtimeOf(st) != MtimeOf(seen))
    return MakeError(Fault::ChangedSinceList);
  FileMeta& meta = source.meta_;
  meta.size = st.st_size;
  meta.mode = st.st_mode;
  meta.uid = st.st_uid;
  meta.gid = st.st_gid;
  meta.atime = st.st_atim;
  meta.mtime = st.st_mtim;
  meta.sparse = st.st_size > 0 && st.st_blocks * 512 < st.st_size;
  ReadCarriedAttributes(source.fd_.Get(), meta.attributes);
  return source;
}

std::error_code LocalFileSource::Extents(std::vector<Extent>& out) {
  out.clear();
  const std::int64_t size = meta_.size;
  if (!meta_.sparse) {
    if (size > 0) out.push_back({0, size});
    return {};
  }
  for (off_t at = 0; at < size;) {
    const off_t data = ::lseek(fd_.Get(), at, SEEK_DATA);
    if (data < 0) {
      if (errno == ENXIO) break;  // only a hole remains
      if (errno == EINVAL || errno == EOPNOTSUPP) {
        // A file system that cannot tell: the rest is data.
        out.push_back({at, size - at});
        break;
      }
      return LastError();
    }
    off_t hole = ::lseek(fd_.Get(), data, SEEK_HOLE);
    if (hole < 0) return LastError();
    if (hole > size) hole = size;
    if (hole > data) out.push_back({data, hole - data});
    at = hole;
  }
  return {};
}

ssize_t LocalFileSource::ReadAt(char* buffer, std::size_t size, std::int64_t offset) {
  for (;;) {
    const ssize_t n = ::pread(fd_.Get(), buffer, size, offset);
    if (n >= 0 || errno != EINTR) return n;
  }
}

std::error_code LocalFileSource::Recheck() {
  struct stat after;
  if (::fstat(fd_.Get(), &after) != 0) return LastError();
  return SameState(after, st_) ? std::error_code{} : MakeError(Fault::ChangedSinceList);
}

}  // namespace orvel::platform
