#include "engine/folder_scan.h"

#include "folder_read_ahead.h"
#include "platform/directory.h"
#include "platform/file_system_traits.h"
#include "platform/file_ops.h"
#include "platform/file_system_identity.h"
#include "platform/path.h"
#include "platform/stat_util.h"
#include "platform/temporary_name.h"

#include <memory>
#include <optional>
#include <stdexcept>

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

bool FolderScan::LooksUpConcurrently(ScanLookUps lookUps, const platform::Folder& root) {
  if (lookUps != ScanLookUps::ByFileSystem) return lookUps == ScanLookUps::Concurrent;
  // Where every request is a round trip, only many at a time come near the
  // speed of a local disk; a local one gains nothing but the threads' cost.
  const platform::FileSystemTraits traits = platform::TraitsOfFolder(root.Fd());
  return traits.network || traits.fuse;
}

ScanSummary FolderScan::Scan(const ScanSetup& setup, SideIndex& index, ScanLists& lists) {
  setup_ = setup;
  index_ = &index;
  lists_ = &lists;
  summary_ = {};
  relPath_.clear();
  index.Reset(setup.rootPath, setup.root, setup.keepExtras);
  if (!control_.Running() || !setup.root) return summary_;

  control_.EnterFolder(setup.rootPath);
  if (values_.recyclerFolder && IsRecycleBinName(LastComponent(setup.rootPath))) return summary_;
  // A descriptor of the scan's own: the listing moves its position.
  platform::Expected<platform::Folder> root = setup.root->Reopen();
  if (!root) {
    summary_.rootError = root.error();
    return summary_;
  }
  struct stat rootStat;
  if (::fstat(root->Fd(), &rootStat) == 0) {
    summary_.timesSeen = true;
    if ((rootStat.st_ctim.tv_nsec | rootStat.st_mtim.tv_nsec) != 0) summary_.subsecondTimes = true;
  }
  std::unique_ptr<FolderReadAhead> ahead;
  ReadAheadFolder* rootRead = nullptr;
  if (LooksUpConcurrently(setup.lookUps, *root)) {
    // The threads hold the descriptors; the walk only takes what they read.
    ahead = std::make_unique<FolderReadAhead>(values_, setup_, control_, kLookUpThreads);
    rootRead = &ahead->Start(std::move(*root));
    *root = platform::Folder();
  }
  OpenFolders open(std::move(*root));
  const SideIndex::FolderId rootId = index.AddChildFolder(SideIndex::kNoFolder, {}, setup.root->Id());
  if (setup.keepExtras) index.SetFolderFileSystem(rootId, platform::FileSystemKeyOf(setup.root->Fd()));
  ahead_ = ahead.get();
  summary_.rootError = ScanFolder(open, 0, rootId, rootRead);
  ahead_ = nullptr;
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

// Adds the folder's entries to the index as the listing gives them. Files are
// looked up now; a folder is looked up when its turn comes, through the
// descriptor that opens it, so that a folder costs one look-up, not two.
std::error_code FolderScan::ReadListing(const platform::Folder& dir, SideIndex::FolderId folder, bool atRoot) {
  platform::DirectoryReader reader(dir.Fd(), readBuffer_);
  platform::DirectoryReader::Entry entry;
  while (reader.Next(entry)) {
    // A leftover of a killed run, proven ours by its mark: never listed, and a sync run removes it.
    if (platform::PassOverTemporary(dir, entry.name, setup_.removeLeftovers, setup_.leftovers)) continue;
    if (atRoot) ++summary_.rootEntries;
    platform::EntryInfo info{true, true, {}, {}};
    if (entry.type != platform::DirectoryReader::Type::Directory) {
      struct stat st;
      // The name from the listing ends in a NUL already.
      if (::fstatat(dir.Fd(), entry.name.data(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
        info = platform::InfoOf(st);
        if ((st.st_ctim.tv_nsec | st.st_mtim.tv_nsec) != 0) summary_.subsecondTimes = true;
      } else {
        info = platform::MissingOrFailed(errno);
        // Gone since it was listed: left out, as if it had never been there.
        if (!info.error) continue;
      }
    }
    index_->AddEntry(folder, entry.name, info);
  }
  return reader.Error();
}

// An entry that could not be read becomes a row of its own; for a folder,
// everything below it answers with the same error, so that nothing there is
// taken for absent.
void FolderScan::ListUnreadable(SideIndex::FolderId folder, SideIndex::EntryId id, std::string_view name,
                                bool isFolder, std::error_code error) {
  index_->SetEntryError(id, error);
  lists_->files.push_back(id);
  ++summary_.unreadable;
  if (isFolder) index_->MarkFailed(index_->AddChildFolder(folder, name), error);
}

// The listing the read-ahead threads made, added as ReadListing adds its own.
std::error_code FolderScan::TakeListing(ReadAheadFolder& read, SideIndex::FolderId folder, bool atRoot) {
  ahead_->Wait(read);
  for (const ReadAheadItem& item : read.items)
    if (!item.gone) index_->AddEntry(folder, read.NameOf(item), item.info);
  if (atRoot) summary_.rootEntries += read.listed;
  if (read.subsecondTimes) summary_.subsecondTimes = true;
  const std::error_code error = read.listError;
  ahead_->ListingTaken(read);
  return error;
}

std::error_code FolderScan::ScanFolder(OpenFolders& open, std::size_t level, SideIndex::FolderId folder,
                                       ReadAheadFolder* read) {
  std::error_code listError;
  if (read) {
    listError = TakeListing(*read, folder, level == 0);
  } else {
    const platform::Expected<const platform::Folder*> dir = open.At(level);
    if (!dir) return dir.error();
    listError = ReadListing(**dir, folder, level == 0);
    control_.Listed(relPath_);
  }
  // The folder's entries are a run of ids; folders inside it add theirs after it.
  const SideIndex::EntryId first = index_->FirstEntry(folder);
  const auto end = static_cast<SideIndex::EntryId>(first + index_->FolderEntryCount(folder));
  bool cancelled = false;
  for (SideIndex::EntryId id = first; id < end; ++id) {
    if (!control_.Running()) break;
    // The name store never moves what it holds, so the view outlives later additions.
    const std::string_view name = index_->EntryName(id);
    const platform::EntryInfo info = index_->EntryInfoOf(id);
    bool counts = true;
    if (info.error) {
      // Unreadable: one row of its own, whatever it is; nothing is decided on it.
      if (info.directory || ExtensionTest(values_, name)) ListUnreadable(folder, id, name, info.directory, info.error);
    } else if (info.directory) {
      counts = ListFolderEntry(open, level, folder, id, name, read);
    } else if (ExtensionTest(values_, name)) {
      lists_->files.push_back(id);
    }
    if (counts && OnCancel()) {
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

// Looks the folder entry up (opening it when there is something to learn from
// inside it), and enters it or checks whether it is empty. False for the other
// tree's root, which does not count as an entry looked at.
bool FolderScan::ListFolderEntry(OpenFolders& open, std::size_t level, SideIndex::FolderId folder,
                                 SideIndex::EntryId id, std::string_view name, ReadAheadFolder* parentRead) {
  const bool recycleBin = values_.recyclerFolder && IsRecycleBinName(name);
  const bool enter = setup_.subFolders && !recycleBin;
  const bool opens = enter || values_.emptyFolder;
  platform::EntryInfo info;
  platform::Identity identity;
  std::optional<platform::Folder> child;
  std::error_code openError;
  // With read-ahead, the threads have looked the folder up and opened it as
  // below; the walk is done with it when this returns.
  ReadAheadFolder* read = nullptr;
  struct Done {
    FolderReadAhead* ahead;
    ReadAheadFolder* parent;
    std::uint32_t item;
    ~Done() {
      if (parent) ahead->Release(*parent, item);
    }
  } done{ahead_, nullptr, 0};
  if (parentRead) {
    const auto item = static_cast<std::uint32_t>(id - index_->FirstEntry(folder));
    read = ahead_->Child(*parentRead, item);
    // The threads read every folder of a listing that the walk enters.
    if (!read) throw std::logic_error("folder scan: a folder was not read ahead");
    done.parent = parentRead;
    done.item = item;
    ahead_->Wait(*read);
    info = read->info;
    identity = read->identity;
    openError = read->openError;
  } else {
    const platform::Expected<const platform::Folder*> dir = open.At(level);
    if (!dir) {
      ListUnreadable(folder, id, name, true, dir.error());
      return true;
    }
    if (opens) {
      platform::Expected<platform::Folder> opened = (*dir)->OpenChild(name, &info);
      if (opened) {
        identity = opened->Id();
        child.emplace(std::move(*opened));
      } else {
        openError = opened.error();
        info = (*dir)->LookUp(name, &identity);  // what stands there now
      }
    } else {
      info = (*dir)->LookUp(name, &identity);
    }
  }
  if (info.error) {
    // Listed as a folder but not to be looked up: nothing below it is known.
    info.directory = true;
    index_->SetEntryInfo(id, info);
    ListUnreadable(folder, id, name, true, info.error);
    return true;
  }
  index_->SetEntryInfo(id, info);
  // Gone since it was listed: left out.
  if (!info.exists) return true;
  if (!info.directory) {
    // A file or a link took the folder's place: it takes part as what it is now.
    if (ExtensionTest(values_, name)) lists_->files.push_back(id);
    return true;
  }
  if (setup_.otherRoot.Known() && identity == setup_.otherRoot) {
    // The other tree's root lies inside this one: nothing below it is read,
    // and look-ups there answer that it is not to be compared.
    child.reset();
    info.error = platform::MakeError(platform::Fault::OtherRoot);
    index_->SetEntryInfo(id, info);
    index_->MarkOtherRoot(index_->AddChildFolder(folder, name, identity));
    return false;
  }
  if (openError) {
    // Anything but absence (no permission, too many open files, a link swapped
    // in) is an error of the folder, never "empty".
    ListUnreadable(folder, id, name, true, openError);
    return true;
  }
  if (!opens) return true;  // nothing to learn from inside it

  bool empty = false;
  if (!enter) {
    // Not entered: only whether it is empty counts.
    const platform::Expected<bool> isEmpty =
        read ? (read->emptyError ? platform::Expected<bool>(read->emptyError) : platform::Expected<bool>(read->empty))
             : platform::IsEmptyFolder(child->Fd());
    if (!isEmpty) {
      ListUnreadable(folder, id, name, true, isEmpty.error());
      return true;
    }
    empty = *isEmpty;
  } else {
    const std::size_t before = relPath_.size();
    relPath_.append(name).push_back(platform::kSeparator);
    pathBuffer_.assign(setup_.rootPath).append(relPath_);
    control_.EnterFolder(pathBuffer_);
    const SideIndex::FolderId childFolder = index_->AddChildFolder(folder, name, identity);
    if (setup_.keepExtras) {
      // Only a mount point lies on another file system than its parent; the
      // device number tells which folders are mount points.
      index_->SetFolderFileSystem(childFolder, identity.device == index_->FolderIdentity(folder).device
                                                   ? index_->FolderFileSystem(folder)
                                                   : read ? read->fileSystem
                                                          : platform::FileSystemKeyOf(child->Fd()));
    }
    std::error_code error;
    if (read) {
      error = ScanFolder(open, level + 1, childFolder, read);
    } else {
      open.Push(std::move(*child), name, identity);
      error = ScanFolder(open, level + 1, childFolder, nullptr);
      open.Pop();
    }
    relPath_.resize(before);
    if (error) {
      ListUnreadable(folder, id, name, true, error);
      return true;
    }
    // An empty folder lists nothing below itself, so listing it after its own
    // scan keeps the order of a listing made before it.
    empty = index_->FolderEntryCount(childFolder) == 0;
  }
  if (values_.emptyFolder && empty && control_.Running()) lists_->folders.push_back(id);
  return true;
}

}  // namespace orvel::engine
