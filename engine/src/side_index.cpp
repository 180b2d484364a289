#include "engine/side_index.h"

#include "platform/path.h"

namespace orvel::engine {

namespace {

constexpr SideIndex::EntryId kNoEntry = UINT32_MAX;

}  // namespace

void SideIndex::Reset(std::string root, const platform::Folder* rootFolder) {
  root_ = std::move(root);
  rootFolder_ = rootFolder;
  folders_.clear();
  folderIds_.clear();
  entries_.clear();
  entryErrors_.clear();
  names_.clear();
  slots_.clear();
  // Give memory back between runs: a large tree should not stay resident.
  entries_.shrink_to_fit();
  names_.shrink_to_fit();
  slots_.shrink_to_fit();
}

SideIndex::FolderId SideIndex::AddFolder(std::string_view relFolder, const platform::Identity& identity) {
  const auto found = folderIds_.find(relFolder);
  if (found != folderIds_.end()) return found->second;
  const auto id = static_cast<FolderId>(folders_.size());
  folders_.push_back(Folder{std::string(relFolder), identity, {}, false, false});
  folderIds_.emplace(std::string(relFolder), id);
  return id;
}

void SideIndex::MarkComplete(FolderId folder) { folders_[folder].complete = true; }

void SideIndex::MarkFailed(FolderId folder, std::error_code error) {
  folders_[folder].error = error;
  folders_[folder].complete = false;
}

void SideIndex::MarkOtherRoot(FolderId folder) { folders_[folder].otherRoot = true; }

SideIndex::FolderId SideIndex::FindFolder(std::string_view relFolder) const {
  const auto found = folderIds_.find(relFolder);
  return found == folderIds_.end() ? kNoFolder : found->second;
}

SideIndex::FolderId SideIndex::ResolveFolder(std::string_view relFolder) const {
  const FolderId found = FindFolder(relFolder);
  if (found != kNoFolder || relFolder.empty()) return found;
  // relFolder ends in the separator: split it into its parent and its own name.
  const std::string_view trimmed = relFolder.substr(0, relFolder.size() - 1);
  const auto cut = trimmed.rfind(platform::kSeparator);
  const std::string_view parentRel = cut == std::string_view::npos ? std::string_view{} : trimmed.substr(0, cut + 1);
  const std::string_view name = cut == std::string_view::npos ? trimmed : trimmed.substr(cut + 1);
  const FolderId parent = ResolveFolder(parentRel);
  if (parent == kMissingFolder) return kMissingFolder;
  if (parent == kNoFolder) return kNoFolder;
  // Below a folder that failed or is the other root, everything answers as it does.
  if (folders_[parent].error || folders_[parent].otherRoot) return parent;
  if (!folders_[parent].complete) return kNoFolder;
  const EntryId entry = Find(parent, name);
  if (entry != kNoEntry && (entries_[entry].flags & Entry::kDirectory)) return kNoFolder;  // there, but not listed
  return kMissingFolder;
}

std::string_view SideIndex::EntryName(EntryId entry) const {
  const auto& e = entries_[entry];
  return std::string_view(names_).substr(e.nameOffset, e.nameLength);
}

platform::EntryInfo SideIndex::EntryInfoOf(EntryId entry) const {
  const Entry& e = entries_[entry];
  platform::EntryInfo info{(e.flags & Entry::kExists) != 0, (e.flags & Entry::kDirectory) != 0, {e.sec, e.nsec}, {}};
  if (e.flags & Entry::kFailed) info.error = entryErrors_.at(entry);
  return info;
}

std::size_t SideIndex::HashOf(FolderId folder, std::string_view name) {
  // FNV-1a over the folder id and the name's bytes.
  std::uint64_t h = 1469598103934665603ull ^ folder;
  h *= 1099511628211ull;
  for (unsigned char c : name) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return static_cast<std::size_t>(h ^ (h >> 29));
}

void SideIndex::Grow() {
  const std::size_t size = slots_.empty() ? 1024 : slots_.size() * 2;
  slots_.assign(size, 0);
  const std::size_t mask = size - 1;
  for (EntryId id = 0; id < entries_.size(); ++id) {
    std::size_t slot = HashOf(entries_[id].folder, EntryName(id)) & mask;
    while (slots_[slot] != 0) slot = (slot + 1) & mask;
    slots_[slot] = id + 1;
  }
}

SideIndex::EntryId SideIndex::AddEntry(FolderId folder, std::string_view name, const platform::EntryInfo& info) {
  const auto id = static_cast<EntryId>(entries_.size());
  std::uint16_t flags = 0;
  if (info.exists) flags |= Entry::kExists;
  if (info.directory) flags |= Entry::kDirectory;
  if (info.error) {
    flags |= Entry::kFailed;
    entryErrors_.emplace(id, info.error);
  }
  entries_.push_back(Entry{info.mtime.sec, info.mtime.nsec, folder, static_cast<std::uint32_t>(names_.size()),
                           static_cast<std::uint16_t>(name.size()), flags});
  names_.append(name);
  if ((entries_.size() + 1) * 2 > slots_.size()) {
    Grow();  // re-inserts every entry, this one included
  } else {
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = HashOf(folder, name) & mask;
    while (slots_[slot] != 0) slot = (slot + 1) & mask;
    slots_[slot] = id + 1;
  }
  return id;
}

void SideIndex::SetEntryError(EntryId entry, std::error_code error) {
  entries_[entry].flags |= Entry::kFailed;
  entryErrors_[entry] = error;
}

SideIndex::EntryId SideIndex::Find(FolderId folder, std::string_view name) const {
  if (slots_.empty()) return kNoEntry;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t slot = HashOf(folder, name) & mask; slots_[slot] != 0; slot = (slot + 1) & mask) {
    const EntryId id = slots_[slot] - 1;
    if (entries_[id].folder == folder && EntryName(id) == name) return id;
  }
  return kNoEntry;
}

SideIndex::Found SideIndex::LookUp(std::string_view relFolder, std::string_view name) const {
  return LookUp(ResolveFolder(relFolder), relFolder, name);
}

SideIndex::Found SideIndex::LookUp(FolderId folder, std::string_view relFolder, std::string_view name) const {
  if (folder == kMissingFolder) return {};
  if (folder != kNoFolder) {
    const Folder& f = folders_[folder];
    if (f.otherRoot) return {{false, false, {}, platform::MakeError(platform::Fault::OtherRoot)}, Found::Origin::Folder};
    if (f.error) return {{false, false, {}, f.error}, Found::Origin::Folder};
    if (f.complete) {
      const EntryId id = Find(folder, name);
      if (id == kNoEntry) return {};
      return {EntryInfoOf(id), Found::Origin::Entry};
    }
  }
  return FromFileSystem(relFolder, name);
}

SideIndex::Found SideIndex::FromFileSystem(std::string_view relFolder, std::string_view name) const {
  if (!rootFolder_) return {};
  const platform::Expected<platform::Folder> folder = rootFolder_->OpenBeneath(relFolder);
  if (!folder) {
    if (platform::IsAbsence(folder.error())) return {};
    return {{false, false, {}, folder.error()}, Found::Origin::FileSystem};
  }
  return {folder->LookUp(name), Found::Origin::FileSystem};
}

}  // namespace orvel::engine
