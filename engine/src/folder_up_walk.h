#pragma once

#include "platform/folder.h"

#include <optional>
#include <string>
#include <string_view>

namespace orvel::engine {

// The folders of one path of a tree, asked for from the deepest up: each step
// up goes through ".." of the folder below (checked to be its parent), so a
// path a hundred thousand folders deep costs one walk down, not one a folder.
class FolderUpWalk {
 public:
  // Below `top` (null: nothing can be reached, EBADF), which outlives this object.
  explicit FolderUpWalk(const platform::Folder* top) : top_(top) {}

  // The folder rel ('/'-separated, no trailing separator, empty for the top);
  // why it cannot be reached.
  platform::Expected<const platform::Folder*> At(std::string_view rel) {
    if (folder_ && Above(rel)) {
      while (rel_.size() > rel.size()) {
        const std::size_t cut = rel_.rfind('/');
        const std::size_t name = cut == std::string::npos ? 0 : cut + 1;
        const platform::Identity expected = cut == std::string::npos && top_ ? top_->Id() : platform::Identity{};
        platform::Expected<platform::Folder> parent =
            folder_->OpenParent(std::string_view(rel_).substr(name), expected);
        if (!parent) break;
        folder_ = std::move(*parent);
        rel_.resize(cut == std::string::npos ? 0 : cut);
      }
    }
    if (!folder_ || rel_ != rel) {
      // Down from the root: the first time, and after a step that failed.
      folder_.reset();
      rel_.assign(rel);
      if (!top_) return platform::SystemError(EBADF);
      platform::Expected<platform::Folder> own = top_->OpenBeneath(rel);
      if (!own) return own.error();
      folder_ = std::move(*own);
    }
    return static_cast<const platform::Folder*>(&*folder_);
  }

 private:
  bool Above(std::string_view rel) const {
    return rel.size() < rel_.size() && std::string_view(rel_).substr(0, rel.size()) == rel &&
           (rel.empty() || rel_[rel.size()] == '/');
  }

  const platform::Folder* top_;
  std::optional<platform::Folder> folder_;
  std::string rel_;
};

}  // namespace orvel::engine
