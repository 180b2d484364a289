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
// kOpenFolderBudget of them hold a descriptor, those nearest the folder being
// read; the others are opened again when the walk needs them: from the folder
// below on the way back up, else from the nearest open one above, by name.
class FolderScan::OpenFolders {
 public:
  explicit OpenFolders(platform::Folder root) { levels_.push_back(Level{std::move(root), {}, {}}); }

  // The deepest folder on the path.
  platform::Expected<const platform::Folder*> Deepest() {
    const std::size_t level = levels_.size() - 1;
    if (levels_[level].folder.IsOpen()) return &levels_[level].folder;
    std::size_t open = level;
    while (!levels_[open].folder.IsOpen()) --open;  // the root never closes
    for (std::size_t i = open + 1; i <= level; ++i) {
      platform::Expected<platform::Folder> child = levels_[i - 1].folder.OpenChild(levels_[i].name);
      if (!child) return child.error();
      if (child->Id() != levels_[i].identity) return platform::MakeError(platform::Fault::FolderReplaced);
      levels_[i].folder = std::move(*child);
      Opened(i);
    }
    return &levels_[level].folder;
  }

  void Push(platform::Folder folder, std::string_view name, const platform::Identity& identity) {
    levels_.push_back(Level{std::move(folder), std::string(name), identity});
    Opened(levels_.size() - 1);
  }

  void Pop() {
    platform::Expected<platform::Folder> parent = platform::Folder();
    const std::size_t above = levels_.size() - 2;
    Level& gone = levels_.back();
    // The folder above is read next: one step up beats a walk down from the root.
    if (above > 0 && gone.folder.IsOpen() && !levels_[above].folder.IsOpen())
      parent = gone.folder.OpenParent(gone.name, levels_[above].identity);
    if (gone.folder.IsOpen()) --openCount_;
    levels_.pop_back();
    // Should that fail, the folder is opened by name when it is needed.
    if (parent && parent->IsOpen()) {
      levels_[above].folder = std::move(*parent);
      Opened(above);
    }
  }

 private:
  struct Level {
    platform::Folder folder;
    std::string name;  // in the folder above
    platform::Identity identity;
  };

  // Counts the folder at `level`, the deepest open one, and closes the open
  // folders nearest the root (never the root) beyond the budget.
  void Opened(std::size_t level) {
    ++openCount_;
    if (level < lowest_) lowest_ = level;
    while (openCount_ > kOpenFolderBudget) {
      while (!levels_[lowest_].folder.IsOpen()) ++lowest_;
      if (lowest_ >= level) break;
      levels_[lowest_].folder.Close();
      --openCount_;
    }
  }

  std::vector<Level> levels_;
  std::size_t openCount_ = 1;
  std::size_t lowest_ = 1;  // no folder between the root and this level is open
};

// One folder on the walk's path: how far its entries have been taken, and how
// it was entered from the folder above.
struct FolderScan::Frame {
  SideIndex::FolderId folder = SideIndex::kNoFolder;
  SideIndex::EntryId next = 0;
  SideIndex::EntryId end = 0;
  std::error_code listError;
  bool cancelled = false;
  ReadAheadFolder* read = nullptr;
  // The entry of the folder above that this folder is, and what leaving it undoes.
  SideIndex::EntryId entry = SideIndex::kNoEntry;
  std::size_t pathBefore = 0;
  ReadAheadFolder* parentRead = nullptr;
  std::uint32_t item = 0;
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
  pathBuffer_ = setup.rootPath;
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
  summary_.rootError = Walk(open, rootId, rootRead);
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

// Depth first, on a stack of its own: a folder entered is read in full before
// the next entry of the folder above is taken.
std::error_code FolderScan::Walk(OpenFolders& open, SideIndex::FolderId root, ReadAheadFolder* rootRead) {
  std::vector<Frame> path;
  Frame top;
  top.folder = root;
  top.read = rootRead;
  if (const std::error_code error = BeginFolder(open, path, top)) return error;
  for (;;) {
    Frame& frame = path.back();
    if (!frame.cancelled && frame.next < frame.end && control_.Running()) {
      const SideIndex::EntryId id = frame.next++;
      // The name store never moves what it holds, so the view outlives later additions.
      const std::string_view name = index_->EntryName(id);
      const platform::EntryInfo info = index_->EntryInfoOf(id);
      Taken taken = Taken::Counted;
      if (info.error) {
        // Unreadable: one row of its own, whatever it is; nothing is decided on it.
        if (info.directory || ExtensionTest(values_, name))
          ListUnreadable(frame.folder, id, name, info.directory, info.error);
      } else if (info.directory) {
        taken = ListFolderEntry(open, path, id, name);
      } else if (ExtensionTest(values_, name)) {
        lists_->files.push_back(id);
      }
      // A folder entered counts once the walk is back from it.
      if (taken == Taken::Counted && OnCancel()) path.back().cancelled = true;
      continue;
    }
    const Frame left = frame;
    const std::error_code error = EndFolder(left);
    path.pop_back();
    if (path.empty()) return error;
    if (!left.read) open.Pop();
    LeaveFolder(path, left, error);
    if (OnCancel()) path.back().cancelled = true;
  }
}

// Takes the folder's listing and puts it on the walk's path; an error when it
// cannot be read at all.
std::error_code FolderScan::BeginFolder(OpenFolders& open, std::vector<Frame>& path, Frame frame) {
  const bool atRoot = path.empty();
  if (frame.read) {
    frame.listError = TakeListing(*frame.read, frame.folder, atRoot);
  } else {
    const platform::Expected<const platform::Folder*> dir = open.Deepest();
    if (!dir) return dir.error();
    frame.listError = ReadListing(**dir, frame.folder, atRoot);
    control_.Listed(RelPath());
  }
  // The folder's entries are a run of ids; folders inside it add theirs after it.
  frame.next = index_->FirstEntry(frame.folder);
  frame.end = static_cast<SideIndex::EntryId>(frame.next + index_->FolderEntryCount(frame.folder));
  path.push_back(frame);
  return {};
}

std::error_code FolderScan::EndFolder(const Frame& frame) {
  if (frame.listError) {
    index_->MarkFailed(frame.folder, frame.listError);
    return frame.listError;
  }
  if (!frame.cancelled && control_.Running()) index_->MarkComplete(frame.folder);
  return {};
}

// Back in the folder above from one that was entered: it is listed as
// unreadable, or as empty when nothing was found in it.
void FolderScan::LeaveFolder(std::vector<Frame>& path, const Frame& left, std::error_code error) {
  pathBuffer_.resize(left.pathBefore);
  const SideIndex::FolderId folder = path.back().folder;
  const std::string_view name = index_->EntryName(left.entry);
  if (error) {
    ListUnreadable(folder, left.entry, name, true, error);
  } else if (values_.emptyFolder && index_->FolderEntryCount(left.folder) == 0 && control_.Running()) {
    // An empty folder lists nothing below itself, so listing it after its own
    // scan keeps the order of a listing made before it.
    lists_->folders.push_back(left.entry);
  }
  if (left.parentRead) ahead_->Release(*left.parentRead, left.item);
}

// Looks the folder entry up (opening it when there is something to learn from
// inside it), and enters it or checks whether it is empty. NotCounted for the
// other tree's root, which does not count as an entry looked at.
FolderScan::Taken FolderScan::ListFolderEntry(OpenFolders& open, std::vector<Frame>& path, SideIndex::EntryId id,
                                              std::string_view name) {
  const SideIndex::FolderId folder = path.back().folder;
  ReadAheadFolder* const parentRead = path.back().read;
  const bool recycleBin = values_.recyclerFolder && IsRecycleBinName(name);
  const bool enter = setup_.subFolders && !recycleBin;
  const bool opens = enter || values_.emptyFolder;
  platform::EntryInfo info;
  platform::Identity identity;
  std::optional<platform::Folder> child;
  std::error_code openError;
  // With read-ahead, the threads have looked the folder up and opened it as
  // below; the walk is done with it when it leaves the folder (or when this
  // returns without entering it).
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
    const platform::Expected<const platform::Folder*> dir = open.Deepest();
    if (!dir) {
      ListUnreadable(folder, id, name, true, dir.error());
      return Taken::Counted;
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
    return Taken::Counted;
  }
  index_->SetEntryInfo(id, info);
  // Gone since it was listed: left out.
  if (!info.exists) return Taken::Counted;
  if (!info.directory) {
    // A file or a link took the folder's place: it takes part as what it is now.
    if (ExtensionTest(values_, name)) lists_->files.push_back(id);
    return Taken::Counted;
  }
  if (setup_.otherRoot.Known() && identity == setup_.otherRoot) {
    // The other tree's root lies inside this one: nothing below it is read,
    // and look-ups there answer that it is not to be compared.
    child.reset();
    info.error = platform::MakeError(platform::Fault::OtherRoot);
    index_->SetEntryInfo(id, info);
    index_->MarkOtherRoot(index_->AddChildFolder(folder, name, identity));
    return Taken::NotCounted;
  }
  if (openError) {
    // Anything but absence (no permission, too many open files, a link swapped
    // in) is an error of the folder, never "empty".
    ListUnreadable(folder, id, name, true, openError);
    return Taken::Counted;
  }
  if (!opens) return Taken::Counted;  // nothing to learn from inside it

  if (!enter) {
    // Not entered: only whether it is empty counts.
    const platform::Expected<bool> isEmpty =
        read ? (read->emptyError ? platform::Expected<bool>(read->emptyError) : platform::Expected<bool>(read->empty))
             : platform::IsEmptyFolder(child->Fd());
    if (!isEmpty) {
      ListUnreadable(folder, id, name, true, isEmpty.error());
    } else if (values_.emptyFolder && *isEmpty && control_.Running()) {
      lists_->folders.push_back(id);
    }
    return Taken::Counted;
  }

  Frame entered;
  entered.entry = id;
  entered.pathBefore = pathBuffer_.size();
  entered.read = read;
  entered.parentRead = done.parent;
  entered.item = done.item;
  pathBuffer_.append(name).push_back(platform::kSeparator);
  control_.EnterFolder(pathBuffer_);
  entered.folder = index_->AddChildFolder(folder, name, identity);
  if (setup_.keepExtras) {
    // Only a mount point lies on another file system than its parent; the
    // device number tells which folders are mount points.
    index_->SetFolderFileSystem(entered.folder, identity.device == index_->FolderIdentity(folder).device
                                                    ? index_->FolderFileSystem(folder)
                                                    : read ? read->fileSystem
                                                           : platform::FileSystemKeyOf(child->Fd()));
  }
  if (!read) open.Push(std::move(*child), name, identity);
  if (const std::error_code error = BeginFolder(open, path, entered)) {
    if (!read) open.Pop();
    done.parent = nullptr;  // LeaveFolder lets the child go
    LeaveFolder(path, entered, error);
    return Taken::Counted;
  }
  done.parent = nullptr;  // the walk lets it go when it leaves the folder
  return Taken::Entered;
}

}  // namespace orvel::engine
