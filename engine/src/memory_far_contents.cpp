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
  digestsListed_ = false;
  digestAskOf_.clear();
  digestAsks_.clear();
  digests_[0].clear();
  digests_[1].clear();
}

void PairMemory::ListDigestAsks() {
  digestsListed_ = true;
  if (!baseScan_ || !targetScan_) return;
  // The pairs the comparison settles by contents: files of equal size on both
  // sides, never synced, or changed on a side in a way time and size do not
  // decide (only the stamp moved, or both sides changed to the same size).
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
      digestAsks_.push_back(
          DigestAsk{KeyOf(rel, name), {platform::Expectation::File(b.mtime), platform::Expectation::File(t.mtime)}});
    }
  }
  digestAskOf_.reserve(digestAsks_.size());
  for (std::size_t i = 0; i < digestAsks_.size(); ++i) digestAskOf_.emplace(digestAsks_[i].key, i);
}

void PairMemory::AskDigests(std::size_t first) {
  // Large enough that the round trip vanishes in it, small enough that a
  // cancel waits for no more than a batch.
  constexpr std::size_t kBatch = 1024;
  std::vector<std::size_t> batch;
  for (std::size_t i = first; i < digestAsks_.size() && batch.size() < kBatch; ++i) {
    if (!digestAsks_[i].asked) batch.push_back(i);
  }
  std::vector<FarEntry> asks(batch.size());
  for (int side = 0; side < 2; ++side) {
    IFarRoot* far = side == 0 ? baseFar_ : targetFar_;
    if (!far) continue;
    for (std::size_t k = 0; k < batch.size(); ++k) {
      const DigestAsk& ask = digestAsks_[batch[k]];
      const std::size_t cut = ask.key.rfind('/') + 1;  // 0 when there is none
      asks[k] = FarEntry{std::string_view(ask.key).substr(0, cut), std::string_view(ask.key).substr(cut),
                         ask.expect[side]};
    }
    std::vector<platform::Expected<FarDigest>> got = far->Digests(asks);
    for (std::size_t k = 0; k < got.size() && k < batch.size(); ++k)
      digests_[side].insert_or_assign(digestAsks_[batch[k]].key, std::move(got[k]));
  }
  for (const std::size_t i : batch) digestAsks_[i].asked = true;
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
  const std::string key = KeyOf(relFolder, name);
  auto found = known.find(key);
  if (found == known.end()) {
    const auto listed = digestAskOf_.find(key);
    if (listed != digestAskOf_.end() && !digestAsks_[listed->second].asked) {
      AskDigests(listed->second);
      found = known.find(key);
    }
  }
  if (found != known.end()) {
    // Each side's digest is used once: what the batches hold stays small.
    platform::Expected<platform::ContentDigest> digest = std::move(found->second);
    known.erase(found);
    return digest;
  }
  const FarEntry ask{relFolder, name, platform::Expectation::File(seen.mtime)};
  return std::move(far->Digests(std::span(&ask, 1)).front());
}

platform::Expected<bool> PairMemory::FarSameContents(std::string_view relFolder, std::string_view name,
                                                     const platform::EntryInfo& base,
                                                     const platform::EntryInfo& target) {
  // A file and a link differ, whatever their bytes.
  if (base.size != target.size || base.regular != target.regular) return false;
  if (!digestsListed_) ListDigestAsks();
  const platform::Expected<platform::ContentDigest> b = DigestAt(true, relFolder, name, base);
  if (!b) return b.error();
  const platform::Expected<platform::ContentDigest> t = DigestAt(false, relFolder, name, target);
  if (!t) return t.error();
  // A file that changed size since the scan has a new stamp, which the next run sees.
  return *b == *t;
}

}  // namespace orvel::engine
