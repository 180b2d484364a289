#include "platform/folder_lock.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>

namespace orvel::platform {

Expected<FolderLock> FolderLock::Acquire(const Folder& folder, Mode mode) {
  // A descriptor of its own: the lock belongs to its open file description and
  // lasts exactly as long as this object.
  FolderLock lock;
  lock.fd_.Reset(::openat(folder.Fd(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!lock.fd_) return LastError();
  const int operation = (mode == Mode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
  while (::flock(lock.fd_.Get(), operation) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK) return MakeError(Fault::Busy);
    return LastError();
  }
  return lock;
}

}  // namespace orvel::platform
