#include "platform/content_digest.h"

#include "platform/stat_util.h"
#include "platform/unique_fd.h"

#include <glib.h>

#include <memory>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvel::platform {

namespace {

struct ChecksumFree {
  void operator()(GChecksum* sum) const { g_checksum_free(sum); }
};

void Update(GChecksum* sum, const char* data, std::size_t size) {
  g_checksum_update(sum, reinterpret_cast<const guchar*>(data), static_cast<gssize>(size));
}

}  // namespace

Expected<ContentDigest> DigestOf(const Folder& folder, std::string_view nameView, const EntryInfo& seen) {
  const CName name(nameView);
  if (!name.Valid()) return MakeError(Fault::NulInPath);
  struct stat st;
  if (::fstatat(folder.Fd(), name.Get(), &st, AT_SYMLINK_NOFOLLOW) != 0) return LastError();
  // A stamp not known (a change too recent to tell from a later one) is not checked.
  if ((seen.stamp != 0 && ChangeStampOf(st) != seen.stamp) || static_cast<std::uint64_t>(st.st_size) != seen.size)
    return MakeError(Fault::ChangedSinceList);
  const std::unique_ptr<GChecksum, ChecksumFree> sum(g_checksum_new(G_CHECKSUM_SHA256));
  ContentDigest digest;
  if (S_ISLNK(st.st_mode)) {
    std::string text(static_cast<std::size_t>(st.st_size) + 1, '\0');
    const ssize_t n = ::readlinkat(folder.Fd(), name.Get(), text.data(), text.size());
    if (n < 0) return LastError();
    if (n != st.st_size) return MakeError(Fault::ChangedSinceList);
    Update(sum.get(), text.data(), static_cast<std::size_t>(n));
    digest.size = static_cast<std::uint64_t>(n);
  } else {
    if (!S_ISREG(st.st_mode)) return MakeError(Fault::SpecialFile);
    UniqueFd fd(::openat(folder.Fd(), name.Get(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (!fd) return errno == ELOOP ? MakeError(Fault::ChangedSinceList) : LastError();
    struct stat now;
    if (::fstat(fd.Get(), &now) != 0) return LastError();
    if (!S_ISREG(now.st_mode) || now.st_ino != st.st_ino || now.st_dev != st.st_dev)
      return MakeError(Fault::ChangedSinceList);
    thread_local std::vector<char> buffer(256 * 1024);
    for (;;) {
      const ssize_t n = ::read(fd.Get(), buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return LastError();
      if (n == 0) break;
      Update(sum.get(), buffer.data(), static_cast<std::size_t>(n));
      digest.size += static_cast<std::uint64_t>(n);
    }
    // A file written to meanwhile is no one version.
    if (::fstat(fd.Get(), &now) != 0) return LastError();
    if (digest.size != static_cast<std::uint64_t>(st.st_size) || MtimeOf(now) != MtimeOf(st))
      return MakeError(Fault::ChangedSinceList);
  }
  gsize length = digest.value.size();
  g_checksum_get_digest(sum.get(), digest.value.data(), &length);
  return digest;
}

}  // namespace orvel::platform
