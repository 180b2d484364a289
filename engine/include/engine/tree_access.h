#pragma once

#include "platform/error.h"
#include "platform/folder.h"

#include <list>
#include <string>
#include <string_view>
#include <vector>

namespace orvel::engine {

// The folders of one side of a condition, reached from its root folder's
// descriptor one name at a time without following a link. Rows come folder by
// folder, so the last few folders stay open for the rows that follow.
class TreeAccess {
 public:
  // Uses a root folder opened by the caller, which outlives this object.
  void Attach(const platform::Folder& root);
  // Opens the root by path (links followed, as roots may be links); with a known
  // identity, only that very folder will do.
  std::error_code Open(const std::string& rootPath, const platform::Identity& expected);
  const platform::Folder* Root() const { return root_; }

  // The folder rel (empty, or names ending in '/') below the root. With a known
  // identity, another folder there gives Fault::FolderReplaced.
  platform::Expected<const platform::Folder*> FolderAt(std::string_view rel, const platform::Identity& expected = {});
  // The same, making the folders that are missing, one at a time. The folders
  // made go to *made, when asked.
  //
  // They all lie on one path: each is kept as the length of its part of that
  // path, so a tree made a hundred thousand folders deep costs memory in
  // proportion to its depth, not to the square of it.
  struct Made {
    std::string rel;  // the deepest folder the call reached, no trailing separator
    struct Folder {
      std::size_t length;  // rel.substr(0, length) is the folder
      platform::Identity identity;
    };
    std::vector<Folder> folders;  // from the top down
    std::string_view RelOf(const Folder& folder) const { return std::string_view(rel).substr(0, folder.length); }
  };
  platform::Expected<const platform::Folder*> MakeFolders(std::string_view rel, Made* made = nullptr);

 private:
  static constexpr std::size_t kKeptFolders = 4;
  struct Kept {
    std::string rel;
    platform::Folder folder;
  };
  const platform::Folder* Keep(std::string_view rel, platform::Folder folder);

  platform::Folder ownRoot_;
  const platform::Folder* root_ = nullptr;
  std::list<Kept> kept_;  // most recently used first
};

}  // namespace orvel::engine
