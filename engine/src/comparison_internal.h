// What the two halves of the comparison (comparison.cpp and the remembered
// sync's comparison_memory.cpp) share.
#pragma once

#include "engine/comparison.h"

#include <string>
#include <unordered_set>
#include <vector>

namespace orvel::engine {

namespace comparison_detail {

using Found = SideIndex::Found;

// Look-ups of one side that remember the folder of the previous entry: the
// entries of a list come folder by folder.
class CachedSide {
 public:
  explicit CachedSide(const SideIndex& index) : index_(index) {}
  Found LookUp(std::string_view relFolder, std::string_view name) {
    if (!valid_ || relFolder != rel_) {
      rel_.assign(relFolder);
      folder_ = index_.ResolveFolder(relFolder);
      valid_ = true;
    }
    return index_.LookUp(folder_, relFolder, name);
  }
  const SideIndex& Index() const { return index_; }

  // This side's resolution of the folder `folder` of the other side's index (the
  // folder of the same relative path), remembered for every folder asked.
  SideIndex::FolderId Counterpart(const SideIndex& other, SideIndex::FolderId folder) {
    constexpr SideIndex::FolderId kUnknown = SideIndex::kMissingFolder - 1;
    if (counterparts_.size() < other.FolderCount()) counterparts_.resize(other.FolderCount(), kUnknown);
    if (counterparts_[folder] != kUnknown) return counterparts_[folder];
    // Up to the nearest folder already resolved, then down one name at a time.
    chain_.clear();
    for (SideIndex::FolderId f = folder; f != SideIndex::kNoFolder && counterparts_[f] == kUnknown;
         f = other.FolderParent(f))
      chain_.push_back(f);
    for (auto it = chain_.rbegin(); it != chain_.rend(); ++it) {
      const SideIndex::FolderId parent = other.FolderParent(*it);
      counterparts_[*it] = parent == SideIndex::kNoFolder
                               ? index_.RootFolder()
                               : index_.ResolveChild(counterparts_[parent], other.FolderName(*it));
    }
    return counterparts_[folder];
  }

 private:
  const SideIndex& index_;
  std::string rel_;
  SideIndex::FolderId folder_ = SideIndex::kNoFolder;
  bool valid_ = false;
  std::vector<SideIndex::FolderId> counterparts_;
  std::vector<SideIndex::FolderId> chain_;
};

inline platform::Identity FolderIdentity(const SideIndex& index, std::string_view relFolder) {
  const SideIndex::FolderId folder = index.FindFolder(relFolder);
  return folder == SideIndex::kNoFolder ? platform::Identity{} : index.FolderIdentity(folder);
}

}  // namespace comparison_detail

struct Comparison::Verdict {
  bool row = false;
  Mark result = Mark::Same;
  Mark mark = Mark::Same;
  bool hasBase = false;
  bool hasTarget = false;
  bool isFolder = false;
  platform::FileTime baseTime;
  platform::FileTime targetTime;
  RowError error;
  bool kindChange = false;
  bool timesOnly = false;  // equal contents: the older side takes the newer time
  std::vector<ReplacedEntry> tree;  // a kind change's folder tree, as the scan saw it
};

// Per-condition state kept out of the header: the look-up caches and the
// folder pair of the previous row.
struct Comparison::State {
  explicit State(const SideIndex& baseIndex, const SideIndex& targetIndex) : base(baseIndex), target(targetIndex) {}
  comparison_detail::CachedSide base;
  comparison_detail::CachedSide target;
  // The folder of the previous listed entry, its path, and the other side's
  // resolution of that path.
  SideIndex::FolderId walkFolder = SideIndex::kNoFolder;
  bool walkBase = true;
  std::string walkRel;
  SideIndex::FolderId walkOther = SideIndex::kNoFolder;
  bool walkSkip = false;  // the walk's folder lies below a kind change that decides for it
  std::string rowFolderRel;
  std::uint32_t rowFolder = 0;
  bool rowFolderValid = false;
  // The remembered sync: names judged as kind changes (folder + name), and per
  // side (base 0, target 1) the folders whose entries such a change settles.
  std::unordered_set<std::string> kindChanges;
  std::unordered_set<std::string> settled[2];
};

}  // namespace orvel::engine
