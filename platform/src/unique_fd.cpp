#include "platform/unique_fd.h"

#include <cerrno>

#include <unistd.h>

namespace orvel::platform {

void UniqueFd::Reset(int fd) {
  if (fd_ >= 0) {
    const int saved = errno;
    ::close(fd_);
    errno = saved;
  }
  fd_ = fd;
}

bool UniqueFd::Close() {
  const int fd = std::exchange(fd_, -1);
  return fd < 0 || ::close(fd) == 0;
}

}  // namespace orvel::platform
