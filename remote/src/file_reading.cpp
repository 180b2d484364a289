#include "remote/file_reading.h"

#include "platform/stat_util.h"

#include <glib.h>

#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvel::remote {

namespace {

WireEntry FromStat(const struct stat& st) {
  WireEntry entry;
  entry.info = platform::InfoOf(st);
  entry.identity = platform::IdentityOf(st);
  entry.size = static_cast<std::uint64_t>(st.st_size);
  entry.mode = static_cast<std::uint32_t>(st.st_mode & 07777);
  entry.ctime = {st.st_ctim.tv_sec, static_cast<std::int32_t>(st.st_ctim.tv_nsec)};
  return entry;
}

}  // namespace

WireEntry LookUpEntry(const platform::Folder& folder, std::string_view name) {
  platform::CName cname(name);
  WireEntry entry;
  struct stat st;
  if (!cname.Valid()) {
    entry.info.error = platform::MakeError(platform::Fault::NulInPath);
  } else if (::fstatat(folder.Fd(), cname.Get(), &st, AT_SYMLINK_NOFOLLOW | (name.empty() ? AT_EMPTY_PATH : 0)) != 0) {
    entry.info = platform::MissingOrFailed(errno);
  } else {
    entry = FromStat(st);
  }
  return entry;
}

platform::Expected<OpenedFile> OpenForReading(const platform::Folder& folder, std::string_view name,
                                              const platform::Expectation& expect) {
  platform::CName cname(name);
  if (!cname.Valid()) return platform::MakeError(platform::Fault::NulInPath);
  struct stat st;
  if (::fstatat(folder.Fd(), cname.Get(), &st, AT_SYMLINK_NOFOLLOW) != 0) return platform::LastError();
  if (!expect.MetBy(platform::InfoOf(st))) return platform::MakeError(platform::Fault::ChangedSinceList);
  OpenedFile file;
  file.begin.mode = static_cast<std::uint32_t>(st.st_mode & 07777);
  file.begin.mtime = platform::MtimeOf(st);
  if (S_ISLNK(st.st_mode)) {
    std::vector<char> text(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = ::readlinkat(folder.Fd(), cname.Get(), text.data(), text.size());
    if (n < 0) return platform::LastError();
    // A link re-made with a longer target since the look-up: not as listed.
    if (static_cast<std::size_t>(n) == text.size()) return platform::MakeError(platform::Fault::ChangedSinceList);
    file.begin.link = true;
    file.linkText.assign(text.data(), static_cast<std::size_t>(n));
    file.begin.size = file.linkText.size();
    return file;
  }
  if (S_ISDIR(st.st_mode)) return platform::SystemError(EISDIR);
  if (!S_ISREG(st.st_mode)) return platform::MakeError(platform::Fault::SpecialFile);
  // O_NONBLOCK: a FIFO swapped in since the look-up never blocks the open.
  const int fd = ::openat(folder.Fd(), cname.Get(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    if (errno == ELOOP) return platform::MakeError(platform::Fault::ChangedSinceList);
    return platform::LastError();
  }
  file.fd.Reset(fd);
  struct stat now;
  if (::fstat(fd, &now) != 0) return platform::LastError();
  if (!S_ISREG(now.st_mode) || now.st_ino != st.st_ino || now.st_dev != st.st_dev)
    return platform::MakeError(platform::Fault::ChangedSinceList);
  file.begin.size = static_cast<std::uint64_t>(now.st_size);
  file.begin.mtime = platform::MtimeOf(now);
  if (!expect.MetBy(platform::InfoOf(now))) return platform::MakeError(platform::Fault::ChangedSinceList);
  return file;
}

std::error_code CheckUnchanged(const OpenedFile& file) {
  if (file.begin.link) return {};
  struct stat st;
  if (::fstat(file.fd.Get(), &st) != 0) return platform::LastError();
  if (static_cast<std::uint64_t>(st.st_size) != file.begin.size || platform::MtimeOf(st) != file.begin.mtime)
    return platform::MakeError(platform::Fault::ChangedSinceList);
  return {};
}

platform::Expected<DigestReply> DigestEntryAt(const platform::Folder& folder, std::string_view name,
                                              const platform::Expectation& expect,
                                              const std::function<void(std::uint64_t)>& tick) {
  platform::Expected<OpenedFile> file = OpenForReading(folder, name, expect);
  if (!file) return file.error();
  GChecksum* sum = g_checksum_new(G_CHECKSUM_SHA256);
  std::uint64_t total = 0;
  std::error_code error;
  if (file->begin.link) {
    g_checksum_update(sum, reinterpret_cast<const guchar*>(file->linkText.data()),
                      static_cast<gssize>(file->linkText.size()));
    total = file->linkText.size();
  } else {
    std::vector<char> buffer(256 * 1024);
    for (;;) {
      const ssize_t n = ::read(file->fd.Get(), buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        error = platform::LastError();
        break;
      }
      if (n == 0) break;
      g_checksum_update(sum, reinterpret_cast<const guchar*>(buffer.data()), n);
      total += static_cast<std::uint64_t>(n);
      if (tick) tick(total);
    }
    if (!error && total != file->begin.size) error = platform::MakeError(platform::Fault::ChangedSinceList);
    if (!error) error = CheckUnchanged(*file);
  }
  DigestReply reply;
  reply.size = total;
  gsize length = reply.value.size();
  g_checksum_get_digest(sum, reply.value.data(), &length);
  g_checksum_free(sum);
  if (error) return error;
  return reply;
}

}  // namespace orvel::remote
