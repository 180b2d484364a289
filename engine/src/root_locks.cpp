#include "engine/root_locks.h"

#include <algorithm>

namespace orvel::engine {

bool RootLocks::Take(const platform::Folder& folder, std::string_view path, platform::FolderLock::Mode mode,
                     IPrompt& prompt) {
  if (std::find(locked_.begin(), locked_.end(), folder.Id()) != locked_.end()) return true;
  for (;;) {
    platform::Expected<platform::FolderLock> lock = platform::FolderLock::Acquire(folder, mode);
    if (lock) {
      locks_.push_back(std::move(*lock));
      locked_.push_back(folder.Id());
      return true;
    }
    if (lock.error() != platform::MakeError(platform::Fault::Busy)) return true;
    if (!prompt.Ask(RunMessage::FolderBusyAsk, {std::string(path)})) return false;
  }
}

}  // namespace orvel::engine
