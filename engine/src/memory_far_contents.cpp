// The remembered sync's contents comparison where a side lies on another
// machine: each side's digest is made where its files are, and those of a far
// side are asked for all at once.
#include "engine/far_root.h"
#include "engine/sync_memory.h"

namespace orvel::engine {

namespace {

std::string KeyOf(std::string_view relFolder, std::string_view name) {
  std::string key(relFolder);
  key.append(name);
  return key;
}

// Whether a side is exactly as remembered (a stamp not known proves nothing).
bool AsRemembered(const platform::EntryInfo& now, const RememberedEntry& was, bool baseSide) {
  const std::uint64_t stamp = baseSide ? was.baseStamp : was.targetStamp;
  return now.mtime == (baseSide ? was.baseTime : was.targetTime) && now.size == was.size && stamp != 0 &&
         now.stamp == stamp;
}

// Whether the time or size moved since the last sync.
bool Edited(const platform::EntryInfo& now, const RememberedEntry& was, bool baseSide) {
  return now.mtime != (baseSide ? was.baseTime : was.targetTime) || now.size != was.size;
}

}  // namespace

void PairMemory::UseFarRoots(IFarRoot* base, IFarRoot* target) {
  baseFar_ = base;
  targetFar_ = target;
  digestsAsked_ = false;
  digests_[0].clear();
  digests_[1].clear();
}

void PairMemory::AskDigests() {
  digestsAsked_ = true;
  if (!baseScan_ || !targetScan_) return;
  // The pairs the comparison settles by contents: files of equal size on both
  // sides, never synced, or changed on a side in a way time and size do not
  // decide (only the stamp moved, or both sides changed to the same size).
  std::vector<std::string> keys;
  std::vector<FarEntry> asks[2];
  const SideIndex& base = *baseScan_;
  for (SideIndex::FolderId f = 0; f < base.FolderCount(); ++f) {
    if (base.FolderEntryCount(f) == 0) continue;
    const std::string rel = base.FolderPath(f);
    const SideIndex::FolderId other = targetScan_->FindFolder(rel);
    if (other == SideIndex::kNoFolder) continue;  // not listed there: asking would cost a round trip
    const RememberedTable::FolderId remembered = table_.FindFolder(rel);
    for (std::size_t i = 0; i < base.FolderEntryCount(f); ++i) {
      const SideIndex::EntryId e = static_cast<SideIndex::EntryId>(base.FirstEntry(f) + i);
      const platform::EntryInfo b = base.EntryInfoOf(e);
      if (!b.IsFile() || b.error) continue;
      const std::string_view name = base.EntryName(e);
      const platform::EntryInfo t = targetScan_->LookUp(other, rel, name).info;
      if (!t.IsFile() || t.error || t.size != b.size || t.regular != b.regular) continue;
      RememberedEntry was;
      if (table_.Peek(remembered, name, was) && !was.folder) {
        const bool bSame = AsRemembered(b, was, true);
        const bool tSame = AsRemembered(t, was, false);
        if (bSame && tSame) continue;
        // One side edited, the other exactly as left: that side wins without reading.
        if ((bSame && Edited(t, was, false)) || (tSame && Edited(b, was, true))) continue;
      }
      keys.push_back(KeyOf(rel, name));
      for (int side = 0; side < 2; ++side) {
        const platform::EntryInfo& seen = side == 0 ? b : t;
        asks[side].push_back(FarEntry{{}, {}, platform::Expectation::File(seen.mtime)});
      }
    }
  }
  for (int side = 0; side < 2; ++side) {
    IFarRoot* far = side == 0 ? baseFar_ : targetFar_;
    if (!far || keys.empty()) continue;
    // The views point into the keys, which no longer move.
    for (std::size_t k = 0; k < keys.size(); ++k) {
      const std::string_view key = keys[k];
      const std::size_t cut = key.rfind('/');
      asks[side][k].rel = cut == std::string_view::npos ? std::string_view{} : key.substr(0, cut + 1);
      asks[side][k].name = cut == std::string_view::npos ? key : key.substr(cut + 1);
    }
    std::vector<platform::Expected<FarDigest>> got = far->Digests(asks[side]);
    for (std::size_t k = 0; k < got.size() && k < keys.size(); ++k) digests_[side].emplace(keys[k], std::move(got[k]));
  }
}

platform::Expected<platform::ContentDigest> PairMemory::DigestAt(bool baseSide, std::string_view relFolder,
                                                                 std::string_view name,
                                                                 const platform::EntryInfo& seen) {
  IFarRoot* far = baseSide ? baseFar_ : targetFar_;
  if (!far) {
    if (!OpenFolders(relFolder)) return platform::MakeError(platform::Fault::FolderReplaced);
    return platform::DigestOf(baseSide ? openBase_ : openTarget_, name, seen);
  }
  auto& known = digests_[baseSide ? 0 : 1];
  const auto found = known.find(KeyOf(relFolder, name));
  if (found != known.end()) return found->second;
  const FarEntry ask{relFolder, name, platform::Expectation::File(seen.mtime)};
  return std::move(far->Digests(std::span(&ask, 1)).front());
}

platform::Expected<bool> PairMemory::FarSameContents(std::string_view relFolder, std::string_view name,
                                                     const platform::EntryInfo& base,
                                                     const platform::EntryInfo& target) {
  // A file and a link differ, whatever their bytes.
  if (base.size != target.size || base.regular != target.regular) return false;
  if (!digestsAsked_) AskDigests();
  const platform::Expected<platform::ContentDigest> b = DigestAt(true, relFolder, name, base);
  if (!b) return b.error();
  const platform::Expected<platform::ContentDigest> t = DigestAt(false, relFolder, name, target);
  if (!t) return t.error();
  // A file that changed size since the scan has a new stamp, which the next run sees.
  return *b == *t;
}

}  // namespace orvel::engine
