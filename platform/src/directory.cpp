#include "platform/directory.h"

#include <cerrno>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvel::platform {

namespace {

constexpr int kOpenFlags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;

// Names handed in as string_view need a terminating zero for the system calls;
// one buffer per thread keeps that free of allocations once it has grown.
const char* Terminated(std::string_view name) {
  thread_local std::string buffer;
  buffer.assign(name.data(), name.size());
  return buffer.c_str();
}

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Reads a listing opened on fd (which it takes over) up to its first real entry.
bool ListsNothing(int fd) {
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    ::close(fd);
    return true;
  }
  bool empty = true;
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsDotOrDotDot(entry->d_name)) {
      empty = false;
      break;
    }
  }
  ::closedir(dir);
  return empty;
}

}  // namespace

Directory::Directory(Directory&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      dir_(std::exchange(other.dir_, nullptr)),
      failed_(std::exchange(other.failed_, false)) {}

Directory& Directory::operator=(Directory&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
    dir_ = std::exchange(other.dir_, nullptr);
    failed_ = std::exchange(other.failed_, false);
  }
  return *this;
}

Directory::~Directory() { Close(); }

bool Directory::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), kOpenFlags);
  Close();
  return fd >= 0 && Adopt(fd);
}

bool Directory::OpenChild(const Directory& parent, std::string_view name) {
  // Opened before Close() so that a directory may open its own child in place.
  int fd = -1;
  if (parent.fd_ >= 0)
    fd = ::openat(parent.fd_, Terminated(name), kOpenFlags | O_NOFOLLOW);
  else
    errno = EBADF;
  const int saved = errno;
  Close();
  errno = saved;
  return fd >= 0 && Adopt(fd);
}

bool Directory::Adopt(int fd) {
  DIR* dir = ::fdopendir(fd);
  if (!dir) {
    const int saved = errno;
    ::close(fd);
    errno = saved;
    return false;
  }
  fd_ = fd;
  dir_ = dir;
  failed_ = false;
  return true;
}

bool Directory::Next(Entry& entry) {
  if (!dir_) return false;
  DIR* dir = static_cast<DIR*>(dir_);
  for (;;) {
    errno = 0;
    const dirent* d = ::readdir(dir);
    if (!d) {
      failed_ = errno != 0;
      return false;
    }
    if (IsDotOrDotDot(d->d_name)) continue;
    entry.name = std::string_view(d->d_name);
    switch (d->d_type) {
      case DT_DIR:
        entry.type = Type::Directory;
        break;
      case DT_UNKNOWN:
        entry.type = Type::Unknown;
        break;
      default:
        // Links, FIFOs, sockets and devices take part as files; a link is never
        // followed into a folder.
        entry.type = Type::File;
        break;
    }
    entry.hidden = d->d_name[0] == '.';
    return true;
  }
}

EntryInfo Directory::LookUpChild(std::string_view name) const {
  EntryInfo info;
  if (fd_ < 0) return info;
  struct stat st;
  if (::fstatat(fd_, Terminated(name), &st, AT_SYMLINK_NOFOLLOW) != 0) return info;
  info.exists = true;
  info.directory = S_ISDIR(st.st_mode);
  info.mtime = FileTime{st.st_mtim.tv_sec, static_cast<std::int32_t>(st.st_mtim.tv_nsec)};
  return info;
}

bool Directory::IsEmpty(const std::string& path) {
  const int fd = ::open(path.c_str(), kOpenFlags);
  return fd < 0 || ListsNothing(fd);
}

bool Directory::IsChildEmpty(std::string_view name) const {
  if (fd_ < 0) return true;
  const int fd = ::openat(fd_, Terminated(name), kOpenFlags | O_NOFOLLOW);
  return fd < 0 || ListsNothing(fd);
}

void Directory::Close() {
  if (dir_) ::closedir(static_cast<DIR*>(dir_));  // closes fd_ as well
  dir_ = nullptr;
  fd_ = -1;
  failed_ = false;
}

}  // namespace orvel::platform
