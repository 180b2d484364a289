#pragma once

#include "platform/error.h"
#include "platform/folder.h"
#include "platform/unique_fd.h"

namespace orvel::platform {

// An advisory lock on a folder, held on the folder's own descriptor (never a
// file inside the tree), so two runs — two programs, or the desktop program and
// orvel-cli — never work on the same folder at once. Runs that only read take it
// shared, runs that write take it exclusive. Released when the object goes.
class FolderLock {
 public:
  enum class Mode { Shared, Exclusive };

  FolderLock() = default;
  // Takes the lock without waiting; Fault::Busy when another run holds it.
  static Expected<FolderLock> Acquire(const Folder& folder, Mode mode);

  void Release() { fd_.Reset(); }

 private:
  UniqueFd fd_;
};

}  // namespace orvel::platform
