#include "engine/folder_scan.h"

#include "platform/directory.h"
#include "platform/file_ops.h"
#include "platform/path.h"
#include "platform/stat_util.h"
#include "platform/temporary_name.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace orvel::engine {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 0x20);
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 0x20);
    if (x != y) return false;
  }
  return true;
}

std::string_view LastComponent(std::string_view path) {
  while (platform::EndsWithSeparator(path)) path.remove_suffix(1);
  return platform::SplitPath(path).name;
}

}  // namespace

// One entry of a folder's listing, looked up while the folder was open.
struct FolderScan::Listed {
  std::uint32_t nameOffset = 0;
  std::uint32_t nameLength = 0;
  platform::EntryInfo info;
  platform::Identity identity;
};

// The folders on the path from the root to the folder being read. At most
// kOpenFolderBudget of them hold a descriptor; the others are reopened from the
// nearest open one, by name, when they are needed again.
class FolderScan::OpenFolders {
 public:
  explicit OpenFolders(platform::Folder root) { levels_.push_back(Level{std::move(root), {}, {}}); }

  platform::Expected<const platform::Folder*> At(std::size_t level) {
    if (levels_[level].folder.IsOpen()) return &levels_[level].folder;
    std::size_t open = level;
    while (!levels_[open].folder.IsOpen()) --open;  // the root never closes
    for (std::size_t i = open + 1; i <= level; ++i) {
      platform::Expected<platform::Folder> child = levels_[i - 1].folder.OpenChild(levels_[i].name);
      if (!child) return child.error();
      if (child->Id() != levels_[i].identity) return platform::MakeError(platform::Fault::FolderReplaced);
      levels_[i].folder = std::move(*child);
      ++openCount_;
      KeepWithinBudget(i);
    }
    return &levels_[level].folder;
  }

  void Push(platform::Folder folder, std::string_view name, const platform::Identity& identity) {
    levels_.push_back(Level{std::move(folder), std::string(name), identity});
    ++openCount_;
    KeepWithinBudget(levels_.size() - 1);
  }

  void Pop() {
    if (levels_.back().folder.IsOpen()) --openCount_;
    levels_.pop_back();
    if (firstOpen_ > levels_.size()) firstOpen_ = levels_.size();
  }

 private:
  struct Level {
    platform::Folder folder;
    std::string name;  // in the folder above
    platform::Identity identity;
  };

  // Closes the open folders nearest the root (never the root, never `keep`).
  void KeepWithinBudget(std::size_t keep) {
    if (firstOpen_ == 0) firstOpen_ = 1;
    while (openCount_ > kOpenFolderBudget && firstOpen_ < keep) {
      if (levels_[firstOpen_].folder.IsOpen()) {
        levels_[firstOpen_].folder.Close();
        --openCount_;
      }
      ++firstOpen_;
    }
    // Reopened folders lie below the first open one seen so far.
    for (std::size_t i = 1; i < firstOpen_ && i < levels_.size(); ++i) {
      if (levels_[i].folder.IsOpen()) {
        firstOpen_ = i;
        break;
      }
    }
  }

  std::vector<Level> levels_;
  std::size_t openCount_ = 1;
  std::size_t firstOpen_ = 1;
};

bool FolderScan::IsRecycleBinName(std::string_view name) {
  constexpr std::string_view kTrash = ".trash";
  if (name.size() < kTrash.size() || !EqualsIgnoringCase(name.substr(0, kTrash.size()), kTrash)) return false;
  const auto rest = name.substr(kTrash.size());
  if (rest.empty()) return true;
  if (rest.size() < 2 || rest[0] != '-') return false;
  for (char c : rest.substr(1))
    if (c < '0' || c > '9') return false;
  return true;
}

ScanSummary FolderScan::Scan(const ScanSetup& setup, SideIndex& index, ScanLists& lists) {
  setup_ = setup;
  index_ = &index;
  lists_ = &lists;
  summary_ = {};
  relPath_.clear();
  index.Reset(setup.rootPath, setup.root);
  if (!control_.Running() || !setup.root) return summary_;

  control_.EnterFolder(setup.rootPath);
  if (values_.recyclerFolder && IsRecycleBinName(LastComponent(setup.rootPath))) return summary_;
  // A descriptor of the scan's own: the listing moves its position.
  platform::Expected<platform::Folder> root = setup.root->Reopen();
  if (!root) {
    summary_.rootError = root.error();
    return summary_;
  }
  OpenFolders open(std::move(*root));
  const SideIndex::FolderId rootId = index.AddFolder("", setup.root->Id());
  summary_.rootError = ScanFolder(open, 0, rootId);
  return summary_;
}

bool FolderScan::OnCancel() {
  if (!control_.CancelAfterEntry()) return false;
  if (setup_.side == ScanSide::Base) {
    lists_->Clear();
  } else {
    lists_->files.clear();  // the empty folders found so far stay listed
  }
  return true;
}

std::error_code FolderScan::ReadListing(const platform::Folder& dir, std::vector<Listed>& listing, std::string& names,
                                        bool atRoot) {
  platform::DirectoryReader reader(dir.Fd(), readBuffer_);
  platform::DirectoryReader::Entry entry;
  while (reader.Next(entry)) {
    if (platform::IsTemporaryName(entry.name)) {
      // A copy in progress or a leftover of a killed run: never listed. Runs on
      // the same folder exclude each other, so a sync run may remove it.
      if (setup_.removeLeftovers) platform::RemoveLeftoverAt(dir, entry.name);
      continue;
    }
    if (atRoot) ++summary_.rootEntries;
    Listed listed;
    listed.nameOffset = static_cast<std::uint32_t>(names.size());
    listed.nameLength = static_cast<std::uint32_t>(entry.name.size());
    names.append(entry.name);
    struct stat st;
    // The name from the listing ends in a NUL already.
    if (::fstatat(dir.Fd(), entry.name.data(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      listed.info = platform::InfoOf(st);
      listed.identity = platform::IdentityOf(st);
    } else {
      listed.info = platform::MissingOrFailed(errno);
      // Gone since it was listed: left out, as if it had never been there.
      if (!listed.info.error) continue;
      listed.info.directory = entry.type == platform::DirectoryReader::Type::Directory;
    }
    listing.push_back(listed);
  }
  return reader.Error();
}

// An entry that could not be read becomes a row of its own; for a folder,
// everything below it answers with the same error, so that nothing there is
// taken for absent.
void FolderScan::ListUnreadable(SideIndex::EntryId id, std::string_view name, bool folder, std::error_code error) {
  index_->SetEntryError(id, error);
  lists_->files.push_back(id);
  ++summary_.unreadable;
  if (!folder) return;
  const std::size_t before = relPath_.size();
  relPath_.append(name).push_back(platform::kSeparator);
  index_->MarkFailed(index_->AddFolder(relPath_), error);
  relPath_.resize(before);
}

std::error_code FolderScan::ScanFolder(OpenFolders& open, std::size_t level, SideIndex::FolderId folder) {
  std::vector<Listed> listing;
  std::string names;
  std::error_code listError;
  {
    const platform::Expected<const platform::Folder*> dir = open.At(level);
    if (!dir) return dir.error();
    listError = ReadListing(**dir, listing, names, level == 0);
  }
  bool cancelled = false;
  for (const Listed& listed : listing) {
    if (!control_.Running()) break;
    const std::string_view name = std::string_view(names).substr(listed.nameOffset, listed.nameLength);
    if (listed.info.directory && setup_.otherRoot.Known() && listed.identity == setup_.otherRoot) {
      // The other tree's root lies inside this one: nothing below it is read,
      // and look-ups there answer that it is not to be compared.
      platform::EntryInfo info = listed.info;
      info.error = platform::MakeError(platform::Fault::OtherRoot);
      index_->AddEntry(folder, name, info);
      const std::size_t before = relPath_.size();
      relPath_.append(name).push_back(platform::kSeparator);
      index_->MarkOtherRoot(index_->AddFolder(relPath_, listed.identity));
      relPath_.resize(before);
      continue;
    }
    const SideIndex::EntryId id = index_->AddEntry(folder, name, listed.info);
    if (listed.info.error) {
      // Unreadable: one row of its own, whatever it is; nothing is decided on it.
      if (listed.info.directory || ExtensionTest(values_, name))
        ListUnreadable(id, name, listed.info.directory, listed.info.error);
    } else if (listed.info.directory) {
      ListFolderEntry(open, level, id, name, listed.identity);
    } else if (ExtensionTest(values_, name)) {
      lists_->files.push_back(id);
    }
    if (OnCancel()) {
      cancelled = true;
      break;
    }
  }
  if (listError) {
    index_->MarkFailed(folder, listError);
    return listError;
  }
  if (!cancelled && control_.Running()) index_->MarkComplete(folder);
  return {};
}

void FolderScan::ListFolderEntry(OpenFolders& open, std::size_t level, SideIndex::EntryId id, std::string_view name,
                                 const platform::Identity& identity) {
  const bool recycleBin = values_.recyclerFolder && IsRecycleBinName(name);
  const bool enter = setup_.subFolders && !recycleBin;
  if (!enter && !values_.emptyFolder) return;  // nothing to learn from inside it
  platform::Expected<platform::Folder> child = [&]() -> platform::Expected<platform::Folder> {
    const platform::Expected<const platform::Folder*> dir = open.At(level);
    if (!dir) return dir.error();
    return (*dir)->OpenChild(name);
  }();
  if (!child) {
    // Gone since it was listed: left out. Anything else (no permission, too many
    // open files, a link swapped in) is an error of the folder, never "empty".
    if (!platform::IsAbsence(child.error())) ListUnreadable(id, name, true, child.error());
    return;
  }
  if (child->Id() != identity) {
    ListUnreadable(id, name, true, platform::MakeError(platform::Fault::FolderReplaced));
    return;
  }

  bool empty = false;
  if (!enter) {
    // Not entered: only whether it is empty counts.
    const platform::Expected<bool> isEmpty = platform::IsEmptyFolder(child->Fd());
    if (!isEmpty) {
      ListUnreadable(id, name, true, isEmpty.error());
      return;
    }
    empty = *isEmpty;
  } else {
    const std::size_t before = relPath_.size();
    relPath_.append(name).push_back(platform::kSeparator);
    pathBuffer_.assign(setup_.rootPath).append(relPath_);
    control_.EnterFolder(pathBuffer_);
    const SideIndex::FolderId childFolder = index_->AddFolder(relPath_, identity);
    const std::size_t entriesBefore = index_->EntryCount();
    open.Push(std::move(*child), name, identity);
    const std::error_code error = ScanFolder(open, level + 1, childFolder);
    open.Pop();
    relPath_.resize(before);
    if (error) {
      ListUnreadable(id, name, true, error);
      return;
    }
    // An empty folder lists nothing below itself, so listing it after its own
    // scan keeps the order of a listing made before it.
    empty = index_->EntryCount() == entriesBefore;
  }
  if (values_.emptyFolder && empty && control_.Running()) lists_->folders.push_back(id);
}

}  // namespace orvel::engine
