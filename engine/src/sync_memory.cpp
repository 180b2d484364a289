#include "engine/sync_memory.h"

#include "platform/file_time.h"
#include "platform/path.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>

namespace orvel::engine {

namespace {

// The folder above a relative folder ("a/b/" -> "a/"), empty for a top folder.
std::string_view ParentOf(std::string_view relFolder) {
  if (relFolder.empty()) return {};
  const std::string_view trimmed = relFolder.substr(0, relFolder.size() - 1);
  const auto cut = trimmed.rfind(platform::kSeparator);
  return cut == std::string_view::npos ? std::string_view{} : trimmed.substr(0, cut + 1);
}

}  // namespace

void RememberedTable::Clear() {
  folders_.clear();
  folderIds_.clear();
  covered_.clear();
  entries_.clear();
  entries_.shrink_to_fit();
  names_.clear();
  names_.shrink_to_fit();
  sorted_ = true;
  indexed_ = false;
}

RememberedTable::FolderId RememberedTable::AddFolder(std::string_view relFolder) {
  const auto found = folderIds_.find(relFolder);
  if (found != folderIds_.end()) return found->second;
  const auto id = static_cast<FolderId>(folders_.size());
  folders_.push_back(Folder{std::string(relFolder), 0, 0});
  folderIds_.emplace(std::string(relFolder), id);
  // The folder and its ancestors, up to the first one already known.
  for (std::string_view rel = relFolder; covered_.find(rel) == covered_.end(); rel = ParentOf(rel)) {
    covered_.emplace(std::string(rel), 0);
    if (rel.empty()) break;
  }
  return id;
}

RememberedTable::FolderId RememberedTable::FindFolder(std::string_view relFolder) const {
  const auto found = folderIds_.find(relFolder);
  return found == folderIds_.end() ? kNoFolder : found->second;
}

bool RememberedTable::Covers(std::string_view relFolder) const { return covered_.find(relFolder) != covered_.end(); }

RememberedEntry RememberedTable::EntryOf(const Stored& e) {
  return RememberedEntry{platform::FromNanoseconds(e.baseNs), platform::FromNanoseconds(e.targetNs), e.size, e.folderEntry};
}

void RememberedTable::Add(FolderId folder, std::string_view name, const RememberedEntry& entry) {
  entries_.push_back(Stored{platform::ToNanoseconds(entry.baseTime), platform::ToNanoseconds(entry.targetTime), entry.size, folder,
                            static_cast<std::uint32_t>(names_.size()), static_cast<std::uint16_t>(name.size()),
                            entry.folder, false});
  names_.append(name);
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
  indexed_ = true;
}

bool RememberedTable::Find(FolderId folder, std::string_view name, RememberedEntry& found) {
  if (folder == kNoFolder) return false;
  if (!indexed_) Index();
  const Folder& f = folders_[folder];
  auto first = entries_.begin() + f.first;
  const auto last = first + f.count;
  first = std::lower_bound(first, last, name, [this](const Stored& e, std::string_view n) { return NameOf(e) < n; });
  if (first == last || NameOf(*first) != name) return false;
  first->seen = true;
  found = EntryOf(*first);
  return true;
}

void StateChanges::Clear() {
  folders_.clear();
  folderIds_.clear();
  names_.clear();
  items_.clear();
}

std::uint32_t StateChanges::FolderIndex(std::string_view relFolder) {
  if (!folders_.empty() && folders_.back() == relFolder) return static_cast<std::uint32_t>(folders_.size() - 1);
  const auto [it, added] = folderIds_.try_emplace(std::string(relFolder), static_cast<std::uint32_t>(folders_.size()));
  if (added) folders_.emplace_back(relFolder);
  return it->second;
}

void StateChanges::Remember(std::string_view relFolder, std::string_view name, const RememberedEntry& entry) {
  items_.push_back(Item{FolderIndex(relFolder), static_cast<std::uint32_t>(names_.size()),
                        static_cast<std::uint32_t>(name.size()), false, entry});
  names_.append(name);
}

void StateChanges::Forget(std::string_view relFolder, std::string_view name) {
  items_.push_back(Item{FolderIndex(relFolder), static_cast<std::uint32_t>(names_.size()),
                        static_cast<std::uint32_t>(name.size()), true, {}});
  names_.append(name);
}

bool PairMemory::SizeOf(bool baseSide, std::string_view relFolder, std::string_view name, std::uint64_t& size) {
  const platform::Folder* root = baseSide ? baseRoot_ : targetRoot_;
  if (!root) return false;
  if (!sizeFolderValid_ || sizeBase_ != baseSide || sizeRel_ != relFolder) {
    sizeFolderValid_ = false;
    platform::Expected<platform::Folder> folder = root->OpenBeneath(relFolder);
    if (!folder) return false;
    sizeFolder_ = std::move(*folder);
    sizeRel_.assign(relFolder);
    sizeBase_ = baseSide;
    sizeFolderValid_ = true;
  }
  const platform::CName cname(name);
  if (!cname.Valid()) return false;
  struct stat st {};
  if (::fstatat(sizeFolder_.Fd(), cname.Get(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool PairMemory::Find(std::string_view relFolder, std::string_view name, RememberedEntry& found) {
  if (!findValid_ || relFolder != findRel_) {
    findRel_.assign(relFolder);
    findFolder_ = table_.FindFolder(relFolder);
    findValid_ = true;
  }
  return table_.Find(findFolder_, name, found);
}

void PairMemory::RememberEqual(std::string_view relFolder, std::string_view name, platform::FileTime baseTime,
                               platform::FileTime targetTime, bool folder) {
  std::uint64_t size = 0;
  // A size that cannot be read now leaves the entry as it was remembered.
  if (!folder && !SizeOf(true, relFolder, name, size)) return;
  changes_.Remember(relFolder, name, RememberedEntry{baseTime, targetTime, size, folder});
}

void PairMemory::NoteDeletion(bool baseSide, std::string_view relFolder) {
  auto& counts = deletions_[baseSide ? 0 : 1];
  ++counts[std::string(relFolder)];
}

void PairMemory::EndCondition() {
  table_.Clear();
  UseRoots(nullptr, nullptr);
  sizeFolder_.Close();
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
}

PairMemory* SyncMemory::BeginCondition(const RunValues& values, const platform::Folder& base,
                                       const platform::Folder& target, IPrompt& prompt) {
  if (!store_ || !values.memory) return nullptr;
  PairRoots roots{values.aFolder, values.bFolder, base.Id(), target.Id()};
  auto& slot = pairs_[Key(values.aFolder, values.bFolder)];
  if (!slot) slot = std::make_unique<PairMemory>(roots);
  PairMemory& pair = *slot;
  pair.EndCondition();
  pair.UseRoots(&base, &target);
  std::string reason;
  switch (store_->Load(roots, pair.Table(), reason)) {
    case ISyncState::Loaded::None:
    case ISyncState::Loaded::Found:
      break;
    case ISyncState::Loaded::Replaced:
      pair.Table().Clear();
      prompt.Notice(RunMessage::MemoryReplaced, {values.aFolder, values.bFolder});
      break;
    case ISyncState::Loaded::Failed:
      // Without its state the pair is compared by today's rules, and nothing
      // is written over a state that could not be read.
      pairs_.erase(Key(values.aFolder, values.bFolder));
      prompt.Notice(RunMessage::MemoryUnavailable, {store_->Location(), reason});
      return nullptr;
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
    if (pair->Changes().Empty()) continue;
    std::string reason;
    if (!store_->Save(pair->Roots(), pair->Changes(), reason) && prompt_) {
      prompt_->Notice(RunMessage::MemoryUnavailable, {store_->Location(), reason});
    }
    pair->Changes().Clear();
  }
}

}  // namespace orvel::engine
