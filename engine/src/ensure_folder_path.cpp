#include "engine/ensure_folder_path.h"

#include "platform/file_system.h"
#include "platform/path.h"

#include <vector>

namespace orvel::engine {

namespace {

std::string_view Trimmed(std::string_view path) {
  while (platform::EndsWithSeparator(path)) path.remove_suffix(1);
  return path;
}

}  // namespace

bool EnsureFolderPath(const std::string& path) {
  const auto info = platform::LookUpFollow(path);
  if (info.exists && info.directory) return true;

  const std::string_view folder = Trimmed(path);
  if (folder.empty()) return false;  // the file-system root, or nothing at all

  // The folders to make, the deepest first: up to the first one that is there.
  std::vector<std::string_view> missing{folder};
  while (missing.back().find(platform::kSeparator) != std::string_view::npos) {
    const std::string parent(platform::SplitPath(missing.back()).folder);
    const auto parentInfo = platform::LookUpFollow(parent);
    if (parentInfo.exists && !parentInfo.directory) {
      if (missing.size() == 1) return false;
      break;  // the folder below it cannot be made: that shows at the end
    }
    if (parentInfo.exists) break;
    const std::string_view trimmed = Trimmed(missing.back().substr(0, parent.size()));
    if (trimmed.empty()) break;
    missing.push_back(trimmed);
  }
  // A folder above may fail to be made: only the last one's result counts.
  for (std::size_t i = missing.size(); i-- > 1;) platform::CreateDirectory(std::string(missing[i]));
  if (!platform::CreateDirectory(std::string(folder))) return true;
  // Another process may have made it in the meantime.
  const auto after = platform::LookUpFollow(std::string(folder));
  return after.exists && after.directory;
}

}  // namespace orvel::engine
