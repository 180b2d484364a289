#include "engine/ensure_folder_path.h"

#include "platform/file_system.h"
#include "platform/path.h"

namespace orvel::engine {

bool EnsureFolderPath(const std::string& path) {
  const auto info = platform::LookUpFollow(path);
  if (info.exists && info.directory) return true;

  std::string folder = path;
  while (platform::EndsWithSeparator(folder)) folder.pop_back();
  if (folder.empty()) return false;  // the file-system root, or nothing at all

  if (folder.find(platform::kSeparator) != std::string::npos) {
    const std::string parent(platform::SplitPath(folder).folder);
    const auto parentInfo = platform::LookUpFollow(parent);
    if (parentInfo.exists && !parentInfo.directory) return false;
    if (!parentInfo.exists) EnsureFolderPath(parent);
  }
  if (!platform::CreateDirectory(folder)) return true;
  // Another process may have made it in the meantime.
  const auto after = platform::LookUpFollow(folder);
  return after.exists && after.directory;
}

}  // namespace orvel::engine
