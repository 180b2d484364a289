#include "engine/side_index.h"

#include "engine/far_root.h"

#include "platform/path.h"

#include <algorithm>
#include <bit>
#include <cassert>

#include <unistd.h>

namespace orvel::engine {

namespace {

// The next component of a relative folder path ("a/b/" gives "a", then "b").
bool NextComponent(std::string_view& rest, std::string_view& name) {
  if (rest.empty()) return false;
  const auto cut = rest.find(platform::kSeparator);
  name = rest.substr(0, cut);
  rest = cut == std::string_view::npos ? std::string_view{} : rest.substr(cut + 1);
  return true;
}

}  // namespace

void SideIndex::Reset(std::string root, const platform::Folder* rootFolder, bool keepExtras) {
  root_ = std::move(root);
  rootFolder_ = rootFolder;
  far_ = nullptr;
  keepExtras_ = keepExtras;
  extras_.clear();
  // Swapped out rather than cleared: a large tree should not stay resident.
  std::vector<Folder>().swap(folders_);
  decltype(children_)().swap(children_);
  std::vector<std::pair<EntryId, FolderId>>().swap(runs_);
  entries_.clear();
  sizes_.clear();
  names_.clear();
  decltype(specials_)().swap(specials_);
  for (FolderTable& table : tables_) table = FolderTable{};
  useClock_ = 0;
  lastRun_ = 0;
}

SideIndex::FolderId SideIndex::AddChildFolder(FolderId parent, std::string_view name,
                                              const platform::Identity& identity) {
  if (parent == kNoFolder) {
    if (!folders_.empty()) return 0;
    Folder root;
    root.identity = identity;
    root.first = static_cast<EntryId>(entries_.size());
    folders_.push_back(std::move(root));
    return 0;
  }
  const auto found = children_.find(ChildKey{parent, name});
  if (found != children_.end()) return found->second;
  const auto id = static_cast<FolderId>(folders_.size());
  Folder folder;
  folder.parent = parent;
  folder.depth = folders_[parent].depth + 1;
  folder.first = static_cast<EntryId>(entries_.size());
  folder.name.assign(name);
  folder.identity = identity;
  folders_.push_back(std::move(folder));
  children_.emplace(std::pair<FolderId, std::string>(parent, std::string(name)), id);
  return id;
}

SideIndex::FolderId SideIndex::AddFolder(std::string_view relFolder, const platform::Identity& identity) {
  FolderId folder = AddChildFolder(kNoFolder, {}, relFolder.empty() ? identity : platform::Identity{});
  std::string_view name;
  while (NextComponent(relFolder, name)) folder = AddChildFolder(folder, name, relFolder.empty() ? identity : platform::Identity{});
  return folder;
}

void SideIndex::MarkComplete(FolderId folder) { folders_[folder].complete = true; }

void SideIndex::MarkFailed(FolderId folder, std::error_code error) {
  folders_[folder].error = error;
  folders_[folder].complete = false;
}

void SideIndex::MarkOtherRoot(FolderId folder) { folders_[folder].otherRoot = true; }

SideIndex::EntryId SideIndex::AddEntry(FolderId folder, std::string_view name, const platform::EntryInfo& info) {
  const auto id = static_cast<EntryId>(entries_.size());
  Folder& f = folders_[folder];
  if (f.count == 0) {
    f.first = id;
    runs_.emplace_back(id, folder);
  }
  // Entries of one folder come together; a look-up searches only its run.
  assert(f.first + f.count == id);
  ++f.count;
  entries_.push_back(Entry{0, 0, names_.Add(name)});
  sizes_.push_back(0);
  if (keepExtras_) extras_.push_back(Extra{0});
  SetEntryInfo(id, info);
  return id;
}

void SideIndex::SetEntryInfo(EntryId entry, const platform::EntryInfo& info) {
  Entry& e = entries_[entry];
  e.sec = info.mtime.sec;
  const bool wasSpecial = (e.nsecFlags & Entry::kSpecial) != 0;
  e.nsecFlags = static_cast<std::uint32_t>(info.mtime.nsec) & Entry::kNsecMask;
  if (info.directory) e.nsecFlags |= Entry::kDirectory;
  sizes_[entry] = info.size;
  if (keepExtras_) extras_[entry] = Extra{info.stamp | (info.regular ? Extra::kRegular : 0)};
  if (!info.exists || info.error || info.link) {
    e.nsecFlags |= Entry::kSpecial;
    specials_[entry] = Special{info.exists, info.error, info.link};
  } else if (wasSpecial) {
    specials_.erase(entry);
  }
}

void SideIndex::SetEntryError(EntryId entry, std::error_code error) {
  platform::EntryInfo info = EntryInfoOf(entry);
  info.error = error;
  SetEntryInfo(entry, info);
}

SideIndex::FolderId SideIndex::FindFolder(std::string_view relFolder) const {
  FolderId folder = RootFolder();
  std::string_view name;
  while (folder != kNoFolder && NextComponent(relFolder, name)) {
    const auto found = children_.find(ChildKey{folder, name});
    folder = found == children_.end() ? kNoFolder : found->second;
  }
  return folder;
}

SideIndex::FolderId SideIndex::FindChild(FolderId parent, std::string_view name) const {
  const auto found = children_.find(ChildKey{parent, name});
  return found == children_.end() ? kNoFolder : found->second;
}

SideIndex::FolderId SideIndex::ResolveChild(FolderId parent, std::string_view name) const {
  if (parent == kMissingFolder || parent == kNoFolder) return parent;
  // A folder the scan registered answers for itself, also below one that failed.
  const auto found = children_.find(ChildKey{parent, name});
  if (found != children_.end()) return found->second;
  const Folder& p = folders_[parent];
  // Below a folder that failed or is the other root, everything answers as it does.
  if (p.error || p.otherRoot) return parent;
  if (!p.complete) return kNoFolder;
  const EntryId entry = FindEntry(parent, name);
  if (entry != kNoEntry) {
    // There, but not listed (a folder gone since its listing is not there).
    const platform::EntryInfo info = EntryInfoOf(entry);
    if (info.directory && (info.exists || info.error)) return kNoFolder;
  }
  return kMissingFolder;
}

SideIndex::FolderId SideIndex::ResolveFolder(std::string_view relFolder) const {
  FolderId folder = RootFolder();
  std::string_view name;
  while (NextComponent(relFolder, name)) folder = ResolveChild(folder, name);
  return folder;
}

void SideIndex::AppendFolderPath(FolderId folder, std::string& out) const {
  const std::size_t start = out.size();
  std::size_t length = 0;
  for (FolderId f = folder; folders_[f].parent != kNoFolder; f = folders_[f].parent) length += folders_[f].name.size() + 1;
  out.resize(start + length);
  // Filled from the end, one name per folder up to the root.
  std::size_t at = out.size();
  for (FolderId f = folder; folders_[f].parent != kNoFolder; f = folders_[f].parent) {
    out[--at] = platform::kSeparator;
    at -= folders_[f].name.size();
    folders_[f].name.copy(out.data() + at, folders_[f].name.size());
  }
}

std::string SideIndex::FolderPath(FolderId folder) const {
  std::string path;
  AppendFolderPath(folder, path);
  return path;
}

SideIndex::FolderId SideIndex::EntryFolder(EntryId entry) const {
  // Entries are mostly asked for in order: the run of the last answer first.
  if (lastRun_ < runs_.size()) {
    const auto& [first, folder] = runs_[lastRun_];
    if (entry >= first && entry - first < folders_[folder].count) return folder;
  }
  const auto after = std::upper_bound(runs_.begin(), runs_.end(), entry,
                                      [](EntryId e, const std::pair<EntryId, FolderId>& run) { return e < run.first; });
  lastRun_ = static_cast<std::size_t>(after - runs_.begin()) - 1;
  return runs_[lastRun_].second;
}

std::string_view SideIndex::EntryName(EntryId entry) const {
  const std::uint32_t next = entry + 1 < entries_.size() ? entries_[entry + 1].nameRef : names_.End();
  return names_.Between(entries_[entry].nameRef, next);
}

platform::EntryInfo SideIndex::EntryInfoOf(EntryId entry) const {
  const Entry& e = entries_[entry];
  platform::EntryInfo info{true, (e.nsecFlags & Entry::kDirectory) != 0,
                           {e.sec, static_cast<std::int32_t>(e.nsecFlags & Entry::kNsecMask)}, {}, false, sizes_[entry]};
  if (e.nsecFlags & Entry::kSpecial) {
    const Special& special = specials_.at(entry);
    info.exists = special.exists;
    info.error = special.error;
    info.link = special.link;
  }
  if (keepExtras_) {
    info.stamp = extras_[entry].stamp & ~Extra::kRegular;
    info.regular = (extras_[entry].stamp & Extra::kRegular) != 0;
  }
  return info;
}

std::uint64_t SideIndex::HashName(std::string_view name) {
  // Eight bytes at a time; names are short and the table small.
  constexpr std::uint64_t kMul = 0x9E3779B97F4A7C15ull;
  std::uint64_t h = name.size() * kMul;
  const char* p = name.data();
  std::size_t n = name.size();
  while (n >= 8) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    h = (h ^ w) * kMul;
    h ^= h >> 32;
    p += 8;
    n -= 8;
  }
  std::uint64_t w = 0;
  std::memcpy(&w, p, n);
  h = (h ^ w) * kMul;
  return h ^ (h >> 29);
}

const SideIndex::FolderTable& SideIndex::TableOf(FolderId folder) const {
  FolderTable* oldest = &tables_[0];
  for (FolderTable& table : tables_) {
    if (table.folder == folder) {
      table.lastUse = ++useClock_;
      return table;
    }
    if (table.lastUse < oldest->lastUse) oldest = &table;
  }
  const Folder& f = folders_[folder];
  const std::size_t size = std::bit_ceil(std::size_t{f.count} * 2);
  oldest->folder = folder;
  oldest->lastUse = ++useClock_;
  oldest->slots.assign(size, 0);
  const std::size_t mask = size - 1;
  for (std::uint32_t i = 0; i < f.count; ++i) {
    std::size_t slot = HashName(EntryName(f.first + i)) & mask;
    while (oldest->slots[slot] != 0) slot = (slot + 1) & mask;
    oldest->slots[slot] = i + 1;
  }
  return *oldest;
}

SideIndex::EntryId SideIndex::FindEntry(FolderId folder, std::string_view name) const {
  const Folder& f = folders_[folder];
  if (f.count <= kLinearSearch) {
    for (EntryId e = f.first; e < f.first + f.count; ++e)
      if (EntryName(e) == name) return e;
    return kNoEntry;
  }
  const FolderTable& table = TableOf(folder);
  const std::size_t mask = table.slots.size() - 1;
  for (std::size_t slot = HashName(name) & mask; table.slots[slot] != 0; slot = (slot + 1) & mask) {
    const EntryId e = f.first + table.slots[slot] - 1;
    if (EntryName(e) == name) return e;
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
      const EntryId id = FindEntry(folder, name);
      if (id == kNoEntry) return {};
      return {EntryInfoOf(id), Found::Origin::Entry};
    }
  }
  return FromFileSystem(relFolder, name);
}

SideIndex::Found SideIndex::LookUpEntry(EntryId entry, std::string_view relFolder) const {
  const Folder& f = folders_[EntryFolder(entry)];
  if (f.otherRoot) return {{false, false, {}, platform::MakeError(platform::Fault::OtherRoot)}, Found::Origin::Folder};
  if (f.error) return {{false, false, {}, f.error}, Found::Origin::Folder};
  if (f.complete) return {EntryInfoOf(entry), Found::Origin::Entry};
  return FromFileSystem(relFolder, EntryName(entry));
}

SideIndex::Found SideIndex::FromFileSystem(std::string_view relFolder, std::string_view name) const {
  if (far_) return {far_->LookUp(relFolder, name), Found::Origin::FileSystem};
  if (!rootFolder_) return {};
  const platform::Expected<platform::Folder> folder = rootFolder_->OpenBeneath(relFolder);
  if (!folder) {
    if (platform::IsAbsence(folder.error())) return {};
    return {{false, false, {}, folder.error()}, Found::Origin::FileSystem};
  }
  return {folder->LookUp(name), Found::Origin::FileSystem};
}

std::string SideIndex::LinkText(std::string_view relFolder, std::string_view name) const {
  if (far_) return far_->LinkText(relFolder, name);
  if (!rootFolder_) return {};
  const platform::Expected<platform::Folder> folder = rootFolder_->OpenBeneath(relFolder);
  const platform::CName cname(name);
  if (!folder || !cname.Valid()) return {};
  char text[4096];
  const ssize_t n = ::readlinkat(folder->Fd(), cname.Get(), text, sizeof text);
  return n > 0 ? std::string(text, static_cast<std::size_t>(n)) : std::string();
}

NameStore SideIndex::TakeNames() {
  NameStore names = std::move(names_);
  names_ = NameStore();
  Reset({});
  return names;
}

std::size_t SideIndex::MemoryBytes() const {
  std::size_t bytes = entries_.MemoryBytes() + sizes_.MemoryBytes() + extras_.MemoryBytes() + names_.MemoryBytes() +
                      folders_.capacity() * sizeof(Folder) + runs_.capacity() * sizeof(runs_[0]) +
                      children_.bucket_count() * sizeof(void*);
  for (const auto& [key, folder] : children_) bytes += sizeof(key) + sizeof(folder) + 2 * sizeof(void*) + key.second.capacity();
  for (const Folder& folder : folders_) bytes += folder.name.capacity();
  return bytes;
}

}  // namespace orvel::engine
