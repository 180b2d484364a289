#include "engine/root_locks.h"

#include "platform/file_system_traits.h"

#include <algorithm>

namespace orvel::engine {

bool RootLocks::Take(const platform::Folder& folder, std::string_view path, platform::FolderLock::Mode mode,
                     IPrompt& prompt) {
  if (std::find(locked_.begin(), locked_.end(), folder.Id()) != locked_.end()) return true;
  const bool firstWord = std::find(noticed_.begin(), noticed_.end(), folder.Id()) == noticed_.end();
  for (;;) {
    platform::Expected<platform::FolderLock> lock = platform::FolderLock::Acquire(folder, mode);
    if (lock) {
      locks_.push_back(std::move(*lock));
      locked_.push_back(folder.Id());
      const platform::FileSystemTraits traits = platform::TraitsOfFolder(folder.Fd());
      if (firstWord && (traits.network || traits.fuse)) {
        noticed_.push_back(folder.Id());
        prompt.Notice(RunMessage::LockLocalOnly, {std::string(path), traits.type});
      }
      return true;
    }
    if (lock.error() != platform::MakeError(platform::Fault::Busy)) {
      if (firstWord) {
        noticed_.push_back(folder.Id());
        prompt.Notice(RunMessage::FolderUnlockable, {std::string(path), prompt.ReasonText(ReasonOf(lock.error()))});
      }
      return true;
    }
    if (!prompt.Ask(RunMessage::FolderBusyAsk, {std::string(path)})) return false;
  }
}

}  // namespace orvel::engine
