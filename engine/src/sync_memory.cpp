#include "engine/sync_memory.h"

#include "engine/far_root.h"
#include "platform/content_compare.h"
#include "platform/file_time.h"
#include "platform/path.h"

#include <algorithm>

namespace orvel::engine {

namespace {

// The folder above a relative folder ("a/b/" -> "a/"), empty for a top folder.
std::string_view ParentOf(std::string_view relFolder) {
  if (relFolder.empty()) return {};
  const std::string_view trimmed = relFolder.substr(0, relFolder.size() - 1);
  const auto cut = trimmed.rfind(platform::kSeparator);
  return cut == std::string_view::npos ? std::string_view{} : trimmed.substr(0, cut + 1);
}

// The deepest mount point at or above a folder, by the list of mount points.
const MountPoint* RecordedMountOf(const MountList& mounts, std::string_view relFolder) {
  const MountPoint* best = nullptr;
  for (const MountPoint& m : mounts) {
    if (relFolder.starts_with(m.rel) && (!best || m.rel.size() > best->rel.size())) best = &m;
  }
  return best;
}

// The same from a scan: the folder's own file system where the scan entered
// it, else that of the nearest folder above it that the scan entered.
MountPoint ScannedMountOf(const SideIndex& index, std::string_view relFolder) {
  MountPoint best;
  SideIndex::FolderId folder = index.RootFolder();
  if (folder == SideIndex::kNoFolder) return best;
  best.fileSystem = index.FolderFileSystem(folder);
  std::string_view rest = relFolder;
  std::size_t used = 0;
  while (!rest.empty()) {
    const auto cut = rest.find(platform::kSeparator);
    const std::string_view name = rest.substr(0, cut);
    const SideIndex::FolderId child = index.FindChild(folder, name);
    if (child == SideIndex::kNoFolder) break;
    used += name.size() + 1;
    if (index.FolderFileSystem(child) != index.FolderFileSystem(folder)) {
      best.rel.assign(relFolder.substr(0, used));
      best.fileSystem = index.FolderFileSystem(child);
    }
    folder = child;
    rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
  }
  return best;
}

}  // namespace

MountList MountsOf(const SideIndex& index) {
  MountList mounts;
  for (SideIndex::FolderId f = 0; f < index.FolderCount(); ++f) {
    const SideIndex::FolderId parent = index.FolderParent(f);
    if (parent == SideIndex::kNoFolder || index.FolderFileSystem(f) != index.FolderFileSystem(parent)) {
      mounts.push_back(MountPoint{index.FolderPath(f), index.FolderFileSystem(f)});
    }
  }
  std::sort(mounts.begin(), mounts.end(), [](const MountPoint& a, const MountPoint& b) { return a.rel < b.rel; });
  return mounts;
}

void RememberedTable::Clear() {
  folders_.clear();
  folderIds_.clear();
  covered_.clear();
  entries_.clear();
  entries_.shrink_to_fit();
  names_.clear();
  names_.shrink_to_fit();
  mounts_[0].clear();
  mounts_[1].clear();
  count_ = 0;
  sorted_ = true;
  indexed_ = false;
}

RememberedTable::FolderId RememberedTable::AddFolder(std::string_view relFolder) {
  const auto found = folderIds_.find(relFolder);
  if (found != folderIds_.end()) return found->second;
  const auto id = static_cast<FolderId>(folders_.size());
  folders_.push_back(Folder{std::string(relFolder), 0, 0, true});
  folderIds_.emplace(std::string(relFolder), id);
  indexed_ = false;
  return id;
}

RememberedTable::FolderId RememberedTable::FindFolder(std::string_view relFolder) const {
  const auto found = folderIds_.find(relFolder);
  return found == folderIds_.end() ? kNoFolder : found->second;
}

void RememberedTable::Invalidate(FolderId folder) {
  if (!folders_[folder].valid) return;
  if (!indexed_) Index();
  folders_[folder].valid = false;
  count_ -= folders_[folder].count;
  indexed_ = false;  // the covered folders change
}

bool RememberedTable::Covers(std::string_view relFolder) {
  if (!indexed_) Index();
  return covered_.find(relFolder) != covered_.end();
}

RememberedEntry RememberedTable::EntryOf(const Stored& e) {
  return RememberedEntry{platform::FromNanoseconds(e.baseNs),
                         platform::FromNanoseconds(e.targetNs),
                         e.size,
                         e.folderEntry,
                         e.baseStamp,
                         e.targetStamp};
}

void RememberedTable::Add(FolderId folder, std::string_view name, const RememberedEntry& entry) {
  entries_.push_back(Stored{platform::ToNanoseconds(entry.baseTime), platform::ToNanoseconds(entry.targetTime),
                            entry.size, entry.baseStamp, entry.targetStamp, folder,
                            static_cast<std::uint32_t>(names_.size()), static_cast<std::uint16_t>(name.size()),
                            entry.folder, false});
  names_.append(name);
  if (folders_[folder].valid) ++count_;
  indexed_ = false;
  // The store hands them over in key order; anything else is sorted later.
  if (sorted_ && entries_.size() > 1 && !Before(entries_[entries_.size() - 2], entries_.back())) sorted_ = false;
}

void RememberedTable::Index() {
  if (!sorted_) {
    std::sort(entries_.begin(), entries_.end(), [this](const Stored& a, const Stored& b) { return Before(a, b); });
    sorted_ = true;
  }
  for (Folder& f : folders_) f.count = 0;
  for (std::uint32_t i = 0; i < entries_.size(); ++i) {
    Folder& f = folders_[entries_[i].folder];
    if (f.count++ == 0) f.first = i;
  }
  covered_.clear();
  for (const Folder& f : folders_) {
    if (!f.valid || f.count == 0) continue;
    // The folder and its ancestors, up to the first one already known.
    for (std::string_view rel = f.path; covered_.find(rel) == covered_.end(); rel = ParentOf(rel)) {
      covered_.emplace(std::string(rel), 0);
      if (rel.empty()) break;
    }
  }
  indexed_ = true;
}

RememberedTable::Stored* RememberedTable::Locate(FolderId folder, std::string_view name) {
  if (folder == kNoFolder) return nullptr;
  if (!indexed_) Index();
  const Folder& f = folders_[folder];
  if (!f.valid) return nullptr;
  auto first = entries_.begin() + f.first;
  const auto last = first + f.count;
  first = std::lower_bound(first, last, name, [this](const Stored& e, std::string_view n) { return NameOf(e) < n; });
  if (first == last || NameOf(*first) != name) return nullptr;
  return &*first;
}

bool RememberedTable::Find(FolderId folder, std::string_view name, RememberedEntry& found) {
  Stored* stored = Locate(folder, name);
  if (!stored) return false;
  stored->seen = true;
  found = EntryOf(*stored);
  return true;
}

bool RememberedTable::Peek(FolderId folder, std::string_view name, RememberedEntry& found) {
  const Stored* stored = Locate(folder, name);
  if (stored) found = EntryOf(*stored);
  return stored != nullptr;
}

void StateChanges::Clear() {
  folders_.clear();
  folderIds_.clear();
  names_.clear();
  items_.clear();
  mounts_[0].clear();
  mounts_[1].clear();
  hasMounts_ = false;
}

std::uint32_t StateChanges::FolderIndex(std::string_view relFolder) {
  if (!folders_.empty() && folders_.back() == relFolder) return static_cast<std::uint32_t>(folders_.size() - 1);
  const auto [it, added] = folderIds_.try_emplace(std::string(relFolder), static_cast<std::uint32_t>(folders_.size()));
  if (added) folders_.emplace_back(relFolder);
  return it->second;
}

void StateChanges::Push(std::string_view relFolder, std::string_view name, Action action,
                        const RememberedEntry& entry) {
  items_.push_back(Item{FolderIndex(relFolder), static_cast<std::uint32_t>(names_.size()),
                        static_cast<std::uint32_t>(name.size()), action, entry});
  names_.append(name);
}

void StateChanges::Remember(std::string_view relFolder, std::string_view name, const RememberedEntry& entry) {
  Push(relFolder, name, Action::Remember, entry);
}

void StateChanges::Forget(std::string_view relFolder, std::string_view name) {
  Push(relFolder, name, Action::Forget, {});
}

void StateChanges::ResetFolder(std::string_view relFolder) { Push(relFolder, {}, Action::ResetFolder, {}); }

void StateChanges::SetMounts(MountList base, MountList target) {
  mounts_[0] = std::move(base);
  mounts_[1] = std::move(target);
  hasMounts_ = true;
}

void PairMemory::UseScans(const SideIndex* base, const SideIndex* target, const platform::Folder* baseRoot,
                          const platform::Folder* targetRoot) {
  baseScan_ = base;
  targetScan_ = target;
  baseRoot_ = baseRoot;
  targetRoot_ = targetRoot;
  openValid_ = false;
  shownRow_ = -1;
}

const std::string* PairMemory::CheckMounts() {
  if (!baseScan_ || !targetScan_) return nullptr;
  mounts_[0] = MountsOf(*baseScan_);
  mounts_[1] = MountsOf(*targetScan_);
  mountsKnown_ = true;
  resetFolders_.clear();
  firstChanged_.clear();
  if (table_.Mounts(true) == mounts_[0] && table_.Mounts(false) == mounts_[1]) return nullptr;
  bool any = false;
  for (RememberedTable::FolderId f = 0; f < table_.FolderCount(); ++f) {
    const std::string& rel = table_.FolderPath(f);
    for (const bool baseSide : {true, false}) {
      const MountPoint* then = RecordedMountOf(table_.Mounts(baseSide), rel);
      const MountPoint now = ScannedMountOf(baseSide ? *baseScan_ : *targetScan_, rel);
      if (then && *then == now) continue;
      if (!any || (then ? then->rel : now.rel).size() < firstChanged_.size())
        firstChanged_ = then ? then->rel : now.rel;
      any = true;
      table_.Invalidate(f);
      resetFolders_.push_back(rel);
      break;
    }
  }
  return any ? &firstChanged_ : nullptr;
}

bool PairMemory::Find(std::string_view relFolder, std::string_view name, RememberedEntry& found) {
  if (!findValid_ || relFolder != findRel_) {
    findRel_.assign(relFolder);
    findFolder_ = table_.FindFolder(relFolder);
    findValid_ = true;
  }
  return table_.Find(findFolder_, name, found);
}

bool PairMemory::OpenFolders(std::string_view relFolder) {
  if (openValid_ && openRel_ == relFolder) return true;
  openValid_ = false;
  if (!baseRoot_ && !targetRoot_) return false;
  platform::Folder opened[2];
  const std::pair<const platform::Folder*, const SideIndex*> sides[] = {{baseRoot_, baseScan_},
                                                                         {targetRoot_, targetScan_}};
  for (int i = 0; i < 2; ++i) {
    const auto& [root, scan] = sides[i];
    if (!root) continue;  // a side on another machine: nothing to open here
    platform::Expected<platform::Folder> folder = root->OpenBeneath(relFolder);
    if (!folder) return false;
    // The very folders the scans listed, not others put in their place since.
    const SideIndex::FolderId listed = scan ? scan->FindFolder(relFolder) : SideIndex::kNoFolder;
    if (listed != SideIndex::kNoFolder && scan->FolderIdentity(listed).Known() &&
        scan->FolderIdentity(listed) != folder->Id())
      return false;
    opened[i] = std::move(*folder);
  }
  openBase_ = std::move(opened[0]);
  openTarget_ = std::move(opened[1]);
  openRel_.assign(relFolder);
  openValid_ = true;
  return true;
}

platform::Expected<bool> PairMemory::SameContents(std::string_view relFolder, std::string_view name,
                                                  const platform::EntryInfo& base, const platform::EntryInfo& target) {
  if (baseFar_ || targetFar_) return FarSameContents(relFolder, name, base, target);
  if (!OpenFolders(relFolder)) return platform::MakeError(platform::Fault::FolderReplaced);
  return platform::SameContents(openBase_, openTarget_, name, base, target);
}

void PairMemory::RememberEqual(std::string_view relFolder, std::string_view name, const platform::EntryInfo& base,
                               const platform::EntryInfo& target, bool folder) {
  RememberedEntry entry{base.mtime, target.mtime, folder ? 0 : base.size, folder, 0, 0};
  if (!folder) {
    entry.baseStamp = base.stamp;
    entry.targetStamp = target.stamp;
  }
  changes_.Remember(relFolder, name, entry);
}

void PairMemory::RememberCopy(std::string_view relFolder, std::string_view name, bool fromBase,
                              const platform::EntryInfo& source, const platform::EntryInfo& destination, bool folder) {
  const platform::EntryInfo& base = fromBase ? source : destination;
  const platform::EntryInfo& target = fromBase ? destination : source;
  RememberEqual(relFolder, name, base, target, folder);
}

void PairMemory::NoteDeletion(bool baseSide, std::string_view relFolder) {
  auto& counts = deletions_[baseSide ? 0 : 1];
  ++counts[std::string(relFolder)];
}

PairMemory::PlannedDeletions PairMemory::CountDeletions() {
  PlannedDeletions planned;
  if (!baseScan_ || !targetScan_ || !saving_) return planned;
  std::string_view lastRel;
  SideIndex::FolderId baseFolder = SideIndex::kNoFolder;
  SideIndex::FolderId targetFolder = SideIndex::kNoFolder;
  bool first = true;
  table_.ForEach([&](std::string_view rel, std::string_view name, const RememberedEntry& was, bool) {
    if (first || rel != lastRel) {
      baseFolder = baseScan_->ResolveFolder(rel);
      targetFolder = targetScan_->ResolveFolder(rel);
      lastRel = rel;
      first = false;
    }
    const platform::EntryInfo base = baseScan_->LookUp(baseFolder, rel, name).info;
    const platform::EntryInfo target = targetScan_->LookUp(targetFolder, rel, name).info;
    const auto unchanged = [&](const platform::EntryInfo& now, bool baseSide) {
      if (was.folder) return now.exists && now.directory;
      return now.IsFile() && now.mtime == (baseSide ? was.baseTime : was.targetTime) && now.size == was.size &&
             now.stamp == (baseSide ? was.baseStamp : was.targetStamp);
    };
    const auto gone = [](const platform::EntryInfo& now) { return !now.exists && !now.error; };
    if (gone(target) && unchanged(base, true)) ++planned.base;
    if (gone(base) && unchanged(target, false)) ++planned.target;
  });
  return planned;
}

void PairMemory::SealChanges() {
  if (changes_.Empty() || !mountsKnown_) return;
  // Folders whose file system changed lose what they held before the entries
  // of this run are written, in the same transaction as the new mount points.
  StateChanges sealed;
  for (const std::string& rel : resetFolders_) sealed.ResetFolder(rel);
  for (const StateChanges::Item& item : changes_.Items()) {
    switch (item.action) {
      case StateChanges::Action::Remember:
        sealed.Remember(changes_.Folder(item), changes_.Name(item), item.entry);
        break;
      case StateChanges::Action::Forget:
        sealed.Forget(changes_.Folder(item), changes_.Name(item));
        break;
      case StateChanges::Action::ResetFolder:
        sealed.ResetFolder(changes_.Folder(item));
        break;
    }
  }
  sealed.SetMounts(mounts_[0], mounts_[1]);
  changes_ = std::move(sealed);
}

void PairMemory::ChangesWritten() {
  changes_.Clear();
  // The state holds the new mount points now: the folders are reset for good.
  resetFolders_.clear();
}

void PairMemory::EndCondition() {
  table_.Clear();
  UseScans(nullptr, nullptr, nullptr, nullptr);
  UseFarRoots(nullptr, nullptr);
  openBase_.Close();
  openTarget_.Close();
  findValid_ = false;
  deletions_[0].clear();
  deletions_[1].clear();
}

std::string SyncMemory::Key(std::string_view baseRoot, std::string_view targetRoot) {
  std::string key(baseRoot);
  key.push_back('\0');
  key.append(targetRoot);
  return key;
}

void SyncMemory::NewRun() {
  pairs_.clear();
  emptiedFolders_.clear();
  replacedTrees_.clear();
  problems_ = 0;
}

PairMemory* SyncMemory::BeginCondition(const RunValues& values, Root base, Root target, const SideIndex& baseScan,
                                       const SideIndex& targetScan, IPrompt& prompt) {
  if (!store_ || !values.memory) return nullptr;
  // A far root is keyed by its folder as written (machine and path) and by
  // what its far side says of it, folded with the machine.
  const auto identity = [](const Root& root) {
    return root.far ? root.far->Info().rootIdentity : platform::RootIdentityOf(root.local.Fd());
  };
  PairRoots roots{values.aFolder, values.bFolder, identity(base), identity(target)};
  auto& slot = pairs_[Key(values.aFolder, values.bFolder)];
  if (!slot) slot = std::make_unique<PairMemory>(roots);
  PairMemory& pair = *slot;
  pair.EndCondition();
  pair.UseScans(&baseScan, &targetScan, base.far ? nullptr : &base.local, target.far ? nullptr : &target.local);
  pair.UseFarRoots(base.far, target.far);
  std::string reason;
  const ISyncState::Loaded loaded = store_->Load(roots, pair.Table(), reason);
  switch (loaded) {
    case ISyncState::Loaded::None:
    case ISyncState::Loaded::Found:
      break;
    case ISyncState::Loaded::Replaced:
      pair.Table().Clear();
      prompt.Notice(RunMessage::MemoryReplaced, {values.aFolder, values.bFolder});
      break;
    case ISyncState::Loaded::Failed:
    case ISyncState::Loaded::Untrusted: {
      // Without its state every entry is new to the pair: nothing is deleted,
      // a pair that differs stops at "!", and nothing is written over the state.
      const bool untrusted = loaded == ISyncState::Loaded::Untrusted;
      pair.Table().Clear();
      pair.StopSaving();
      ++problems_;
      prompt.Notice(untrusted ? RunMessage::MemoryUntrusted : RunMessage::MemoryUnavailable,
                    {store_->Location(), reason});
      return &pair;
    }
  }
  if (const std::string* changed = pair.CheckMounts()) {
    prompt.Notice(RunMessage::MemoryReplaced, {values.aFolder + *changed, values.bFolder + *changed});
  }
  return &pair;
}

PairMemory* SyncMemory::PairOf(std::string_view baseRoot, std::string_view targetRoot) {
  const auto found = pairs_.find(Key(baseRoot, targetRoot));
  return found == pairs_.end() ? nullptr : found->second.get();
}

void SyncMemory::Flush() {
  for (auto& [key, pair] : pairs_) {
    pair->EndCondition();
    if (pair->Changes().Empty() || !pair->Saving()) {
      pair->Changes().Clear();
      continue;
    }
    pair->SealChanges();
    std::string reason;
    if (store_->Save(pair->Roots(), pair->Changes(), reason)) {
      pair->ChangesWritten();
      continue;
    }
    ++problems_;
    if (prompt_) prompt_->Notice(RunMessage::MemoryUnavailable, {store_->Location(), reason});
    pair->Changes().Clear();
  }
}

}  // namespace orvel::engine
