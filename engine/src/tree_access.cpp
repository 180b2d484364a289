#include "engine/tree_access.h"

#include "platform/file_ops.h"
#include "platform/path.h"

namespace orvel::engine {

namespace {

std::string_view Trimmed(std::string_view rel) {
  while (!rel.empty() && rel.back() == platform::kSeparator) rel.remove_suffix(1);
  return rel;
}

}  // namespace

void TreeAccess::Attach(const platform::Folder& root) {
  kept_.clear();
  ownRoot_.Close();
  root_ = &root;
}

std::error_code TreeAccess::Open(const std::string& rootPath, const platform::Identity& expected) {
  kept_.clear();
  root_ = nullptr;
  platform::Expected<platform::Folder> root = platform::Folder::OpenRoot(rootPath);
  if (!root) return root.error();
  if (expected.Known() && root->Id() != expected) return platform::MakeError(platform::Fault::FolderReplaced);
  ownRoot_ = std::move(*root);
  root_ = &ownRoot_;
  return {};
}

const platform::Folder* TreeAccess::Keep(std::string_view rel, platform::Folder folder) {
  if (kept_.size() >= kKeptFolders) kept_.pop_back();
  kept_.push_front(Kept{std::string(rel), std::move(folder)});
  return &kept_.front().folder;
}

platform::Expected<const platform::Folder*> TreeAccess::FolderAt(std::string_view rel,
                                                                 const platform::Identity& expected) {
  if (!root_) return platform::SystemError(EBADF);
  rel = Trimmed(rel);
  const platform::Folder* folder = nullptr;
  if (rel.empty()) {
    folder = root_;
  } else {
    for (auto it = kept_.begin(); it != kept_.end(); ++it) {
      if (it->rel == rel) {
        kept_.splice(kept_.begin(), kept_, it);
        folder = &kept_.front().folder;
        break;
      }
    }
    if (!folder) {
      platform::Expected<platform::Folder> opened = root_->OpenBeneath(rel);
      if (!opened) return opened.error();
      folder = Keep(rel, std::move(*opened));
    }
  }
  if (expected.Known() && folder->Id() != expected) return platform::MakeError(platform::Fault::FolderReplaced);
  return folder;
}

platform::Expected<const platform::Folder*> TreeAccess::MakeFolders(std::string_view rel, Made* made) {
  rel = Trimmed(rel);
  if (made) {
    made->rel.assign(rel);
    made->folders.clear();
  }
  platform::Expected<const platform::Folder*> existing = FolderAt(rel);
  if (existing || !platform::IsAbsence(existing.error())) return existing;
  // From the root down: each missing folder is made inside its verified parent.
  platform::Expected<platform::Folder> current = root_->Reopen();
  for (std::size_t begin = 0; begin < rel.size() && current;) {
    std::size_t end = rel.find(platform::kSeparator, begin);
    if (end == std::string_view::npos) end = rel.size();
    const std::string_view name = rel.substr(begin, end - begin);
    platform::Expected<platform::Folder> child = current->OpenChild(name);
    if (!child && platform::IsAbsence(child.error())) {
      // Another copy may have made it a moment ago: then it is that copy's to
      // finish, and it is still opened here without following a link.
      bool madeHere = false;
      if (const std::error_code error = platform::MakeFolderAt(*current, name, &madeHere)) return error;
      child = current->OpenChild(name);
      if (child && made && madeHere) made->folders.push_back(Made::Folder{end, child->Id()});
    }
    current = std::move(child);
    begin = end + 1;
  }
  if (!current) return current.error();
  return Keep(rel, std::move(*current));
}

}  // namespace orvel::engine
