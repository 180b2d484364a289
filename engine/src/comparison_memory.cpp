// The parts of the comparison that only the sync memory needs.
#include "engine/comparison.h"

#include "platform/path.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

namespace orvel::engine {

namespace {

std::string_view ParentOf(std::string_view relFolder) {
  const std::string_view trimmed = relFolder.substr(0, relFolder.size() - 1);
  const auto cut = trimmed.rfind(platform::kSeparator);
  return cut == std::string_view::npos ? std::string_view{} : trimmed.substr(0, cut + 1);
}

std::string_view LastName(std::string_view relFolder) {
  return relFolder.substr(ParentOf(relFolder).size(), relFolder.size() - ParentOf(relFolder).size() - 1);
}

std::size_t Depth(std::string_view relFolder) {
  return static_cast<std::size_t>(std::count(relFolder.begin(), relFolder.end(), platform::kSeparator));
}

platform::Identity IdentityOf(const SideIndex& index, std::string_view relFolder) {
  const SideIndex::FolderId folder = index.FindFolder(relFolder);
  return folder == SideIndex::kNoFolder ? platform::Identity{} : index.FolderIdentity(folder);
}

bool Absent(const SideIndex::Found& found) { return !found.info.exists && !found.info.error; }

}  // namespace

int Comparison::EmptiedFolders(SyncMemory& registry, const SideIndex& baseIndex, const SideIndex& targetIndex) {
  if (!memory_) return 0;
  int added = 0;
  for (const bool baseSide : {false, true}) {
    const auto& deletions = memory_->Deletions(baseSide);
    if (deletions.empty()) continue;
    const SideIndex& own = baseSide ? baseIndex : targetIndex;
    const SideIndex& other = baseSide ? targetIndex : baseIndex;

    // The folders holding a deletion and the folders above them (never the root),
    // with how many of their entries go.
    std::unordered_map<std::string, std::uint32_t> gone;
    for (const auto& [rel, count] : deletions) {
      if (rel.empty()) continue;
      gone[rel] += count;
      for (std::string_view up = ParentOf(rel); !up.empty(); up = ParentOf(up)) gone.try_emplace(std::string(up), 0);
    }
    if (gone.empty()) continue;
    std::unordered_map<SideIndex::FolderId, std::uint32_t> entries;
    for (const auto& [rel, count] : gone) {
      const SideIndex::FolderId id = own.FindFolder(rel);
      if (id != SideIndex::kNoFolder) entries.emplace(id, 0);
    }
    for (SideIndex::EntryId e = 0; e < own.EntryCount(); ++e) {
      const auto found = entries.find(own.EntryFolder(e));
      if (found != entries.end()) ++found->second;
    }

    std::vector<std::string> order;
    order.reserve(gone.size());
    for (const auto& [rel, count] : gone) order.push_back(rel);
    // Deepest first, so that a folder's count is complete before it is judged.
    std::sort(order.begin(), order.end(), [](const std::string& a, const std::string& b) {
      const std::size_t da = Depth(a), db = Depth(b);
      return da != db ? da > db : a < b;
    });
    for (const std::string& rel : order) {
      const SideIndex::FolderId id = own.FindFolder(rel);
      if (id == SideIndex::kNoFolder || entries[id] != gone[rel] || !memory_->Table().Covers(rel)) continue;
      const std::string_view parent = ParentOf(rel);
      const std::string_view name = LastName(rel);
      const SideIndex::Found self = own.LookUp(parent, name);
      if (!self.info.exists || !self.info.directory || self.info.error || !Absent(other.LookUp(parent, name))) continue;
      if (!parent.empty()) ++gone[std::string(parent)];

      const FolderIdentities ids{IdentityOf(baseIndex, parent), IdentityOf(targetIndex, parent),
                                 IdentityOf(baseIndex, {}), IdentityOf(targetIndex, {})};
      ResultRow row;
      row.folder = rows_.InternFolder(values_->aFolder + std::string(parent), values_->bFolder + std::string(parent),
                                      parent.size(), ids);
      (baseSide ? row.baseTime : row.targetTime) = self.info.mtime;
      row.hasBase = baseSide;
      row.hasTarget = !baseSide;
      row.mark = row.result = baseSide ? Mark::BaseDelete : Mark::Delete;
      row.side = baseSide ? Side::Base : Side::Target;
      row.isFolder = true;
      const int index = rows_.Append(name, row);
      registry.NoteEmptiedFolder(index, own.FolderIdentity(id));
      list_.AppendItem(index);
      ++added;
      if (onRowAdded_) onRowAdded_(list_.ItemCount() - 1);
    }
  }
  return added;
}

void Comparison::ForgetVanished(const SideIndex& baseIndex, const SideIndex& targetIndex) {
  // Below folders the scan did not enter, every look-up would ask the file system.
  if (!memory_ || !values_->subFolder) return;
  memory_->Table().ForEachUnseen([&](std::string_view rel, std::string_view name, const RememberedEntry&) {
    if (Absent(baseIndex.LookUp(rel, name)) && Absent(targetIndex.LookUp(rel, name))) memory_->Forget(rel, name);
  });
}

}  // namespace orvel::engine
