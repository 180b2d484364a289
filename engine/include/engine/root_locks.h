#pragma once

#include "engine/interfaces.h"
#include "platform/folder.h"
#include "platform/folder_lock.h"

#include <string_view>
#include <vector>

namespace orvel::engine {

// The locks a run or a row loop holds on the root folders it works on, so that
// two runs never work on the same folder at once.
class RootLocks {
 public:
  // Takes the lock of a root folder (once per folder, whatever its path). A
  // folder another run holds asks whether to try again; false when the user
  // gave up. A folder that cannot be locked at all (a file system without locks)
  // is worked on unlocked, and the run says so; a lock on a network or FUSE
  // file system is said to be seen by this machine only. Each once per run.
  bool Take(const platform::Folder& folder, std::string_view path, platform::FolderLock::Mode mode, IPrompt& prompt);
  void Release() {
    locks_.clear();
    locked_.clear();
  }

 private:
  std::vector<platform::FolderLock> locks_;
  std::vector<platform::Identity> locked_;
  std::vector<platform::Identity> noticed_;  // folders whose lock was spoken of (kept over Release)
};

}  // namespace orvel::engine
