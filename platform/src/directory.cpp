#include "platform/directory.h"

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace orvel::platform {

namespace {

// The kernel's record of one entry (linux_dirent64).
struct KernelDirent {
  std::uint64_t ino;
  std::int64_t off;
  unsigned short reclen;
  unsigned char type;
  char name[1];
};

constexpr std::size_t kDefaultBuffer = 32 * 1024;

bool IsDotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

}  // namespace

DirectoryReader::DirectoryReader(int fd, std::vector<char>& buffer) : fd_(fd), buffer_(buffer) {
  if (buffer_.empty()) buffer_.resize(kDefaultBuffer);
}

bool DirectoryReader::Next(Entry& entry) {
  for (;;) {
    if (pos_ >= end_) {
      if (done_) return false;
      const long n = ::syscall(SYS_getdents64, fd_, buffer_.data(), buffer_.size());
      if (n < 0) {
        if (errno == EINTR) continue;
        error_ = LastError();
        done_ = true;
        return false;
      }
      if (n == 0) {
        done_ = true;
        return false;
      }
      pos_ = 0;
      end_ = static_cast<std::size_t>(n);
    }
    const char* record = buffer_.data() + pos_;
    unsigned short reclen;
    std::memcpy(&reclen, record + offsetof(KernelDirent, reclen), sizeof reclen);
    const unsigned char type = static_cast<unsigned char>(record[offsetof(KernelDirent, type)]);
    const char* name = record + offsetof(KernelDirent, name);
    pos_ += reclen;
    if (IsDotOrDotDot(name)) continue;
    entry.name = std::string_view(name);
    switch (type) {
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
    return true;
  }
}

Expected<bool> IsEmptyFolder(int fd) {
  std::vector<char> buffer(1024);
  DirectoryReader reader(fd, buffer);
  DirectoryReader::Entry entry;
  if (reader.Next(entry)) return false;
  if (reader.Error()) return reader.Error();
  return true;
}

}  // namespace orvel::platform
