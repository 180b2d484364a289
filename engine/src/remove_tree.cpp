#include "engine/remove_tree.h"

#include "folder_up_walk.h"
#include "platform/file_ops.h"
#include "platform/path.h"

namespace orvel::engine {

std::error_code RemoveTree(const platform::Folder& parent, std::string_view top, std::span<const SeenEntry> tree,
                           bool removeTop) {
  platform::Expected<platform::Folder> root = parent.OpenChild(top);
  if (!root) return root.error();
  // Deepest first, the next entry lies mostly in the same folder or one above:
  // the walk goes up a step at a time instead of down from the top each time.
  FolderUpWalk walk(&*root);
  for (const SeenEntry& entry : tree) {
    const auto cut = entry.rel.rfind(platform::kSeparator);
    const std::string_view folderRel = cut == std::string_view::npos ? std::string_view{} : entry.rel.substr(0, cut);
    const std::string_view name = cut == std::string_view::npos ? entry.rel : entry.rel.substr(cut + 1);
    const platform::Expected<const platform::Folder*> at = walk.At(folderRel);
    if (!at) return at.error();
    const platform::Folder* folder = *at;
    platform::Expectation expect = platform::Expectation::File(entry.mtime);
    if (entry.folder) {
      // A folder's time moved as its entries went: only its kind is checked,
      // and it goes only when empty.
      const platform::EntryInfo now = folder->LookUp(name);
      if (now.error) return now.error;
      expect = platform::Expectation::Folder(now.mtime);
    }
    if (const std::error_code error = platform::DeleteEntryAt(*folder, name, expect, false)) return error;
  }
  if (!removeTop) return {};
  return platform::DeleteEntryAt(parent, top, platform::Expectation::Folder(parent.LookUp(top).mtime), false);
}

}  // namespace orvel::engine
