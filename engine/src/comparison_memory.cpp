// The parts of the comparison that only the sync memory and kind changes need.
#include "engine/comparison.h"

#include "comparison_internal.h"
#include "engine/conflict_reason.h"
#include "platform/path.h"

#include <algorithm>
#include <system_error>
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

using Found = SideIndex::Found;

namespace {

// How one side's file differs from the version the last sync left: changed
// when its time or size differ; only maybe when nothing but its stamp (inode
// number or change time) differs, or the stamp is not known: then the two
// sides' contents decide.
struct SideChange {
  bool changed = false;
  bool maybe = false;
  bool Any() const { return changed || maybe; }
};

SideChange ChangeOf(const platform::EntryInfo& now, const RememberedEntry& was, bool baseSide) {
  const std::uint64_t stamp = baseSide ? was.baseStamp : was.targetStamp;
  SideChange c;
  c.changed = now.mtime != (baseSide ? was.baseTime : was.targetTime) || now.size != was.size;
  c.maybe = !c.changed && (stamp == 0 || now.stamp != stamp);
  return c;
}

}  // namespace

// Normal mode with the last sync remembered. The memory deletes or overwrites
// only a version it can show was synced: a side that changed since (time,
// size or stamp; the contents settle a changed stamp) wins over one that did
// not, whatever the clocks say; both changed stop at "!"; an entry gone from
// one side goes from the other too ("X", "<X") unless it changed there ("!").
// A pair never synced is compared by contents: equal ones are settled as
// without the memory, different ones stop at "!". A name that is a file on one
// side and a folder on the other is judged as a whole (JudgeKindChange).
void Comparison::JudgeByMemory(Kind kind, std::string_view relFolder, std::string_view name, const Found& baseFound,
                               const Found& targetFound, Verdict& verdict) {
  PairMemory& memory = *memory_;
  const platform::EntryInfo& base = baseFound.info;
  const platform::EntryInfo& target = targetFound.info;
  const bool folderKind = kind == Kind::BaseFolder || kind == Kind::TargetFolder;
  const bool baseSide = kind == Kind::BaseFile || kind == Kind::BaseFolder;
  const platform::EntryInfo& own = baseSide ? base : target;
  const platform::EntryInfo& other = baseSide ? target : base;
  // The listed entry is gone or has turned into something else since.
  if (folderKind ? !own.directory : !own.IsFile()) return;
  if (other.error) return;

  const auto decide = [&](Mark mark) {
    verdict.result = verdict.mark = mark;
    verdict.row = mark != Mark::Same || values_->sameDisp;
    if (mark == Mark::Delete || mark == Mark::BaseDelete) memory.NoteDeletion(mark == Mark::BaseDelete, relFolder);
  };
  const auto conflict = [&](ConflictReason reason, Side side) {
    verdict.result = verdict.mark = Mark::Conflict;
    verdict.row = true;
    verdict.error = RowError{MakeConflict(reason), side};
  };
  const auto failed = [&](const std::error_code& error) {
    verdict.result = verdict.mark = Mark::Failed;
    verdict.row = true;
    verdict.error = RowError{error, Side::Base};
  };

  // Equal contents whose times a plain run would call apart: the older side
  // takes the newer time, so that every later run, with memory or without,
  // finds them the same.
  const Mark plain = verdict.mark;
  const auto settleTimes = [&] {
    // A link is copied instead: its own time cannot be set safely everywhere.
    if ((plain != Mark::BaseNewer && plain != Mark::TargetNewer) || base.link || target.link) return false;
    verdict.result = verdict.mark = plain;
    verdict.row = true;
    verdict.timesOnly = true;
    return true;
  };

  if (other.exists && other.directory != own.directory) {
    JudgeKindChange(relFolder, name, baseSide ? own.directory : other.directory, baseFound, targetFound, verdict);
    return;
  }
  RememberedEntry was;
  const bool remembered = memory.Find(relFolder, name, was) && was.folder == folderKind;

  if (!other.exists) {
    // On one side only: never synced keeps today's rules; deleted on the other
    // side goes there too, unless this side changed since.
    if (!remembered) return;
    if (!folderKind && ChangeOf(own, was, baseSide).Any()) {
      conflict(baseSide ? ConflictReason::EditedBaseDeletedTarget : ConflictReason::EditedTargetDeletedBase,
               baseSide ? Side::Base : Side::Target);
    } else {
      decide(baseSide ? Mark::BaseDelete : Mark::Delete);
    }
    return;
  }
  // Both sides hold the entry: only the base pass judges the pair.
  if (!baseSide) return;
  if (folderKind) {
    if (recordEqual_ && !remembered) memory.RememberEqual(relFolder, name, base, target, true);
    return;
  }
  const auto sameContents = [&](bool& same) {
    const platform::Expected<bool> equal = memory.SameContents(relFolder, name, base, target);
    if (!equal) {
      failed(equal.error());
      return false;
    }
    same = *equal;
    return true;
  };
  bool same = false;
  if (remembered) {
    const SideChange b = ChangeOf(base, was, true);
    const SideChange t = ChangeOf(target, was, false);
    if (!b.Any() && !t.Any()) {
      decide(Mark::Same);  // as the last sync left it, whatever a tolerance or granularity says
      return;
    }
    if ((b.maybe || t.maybe || (b.changed && t.changed && base.size == target.size)) && !sameContents(same)) return;
    if (same) {
      // In step again (the same edit on both sides, a change of metadata
      // only): remembered as it is now.
      if (settleTimes()) return;
      decide(Mark::Same);
      if (recordEqual_) memory.RememberEqual(relFolder, name, base, target, false);
    } else if (b.Any() && t.Any()) {
      conflict(ConflictReason::EditedBoth, Side::Base);
    } else {
      decide(b.Any() ? Mark::BaseNewer : Mark::TargetNewer);
    }
    return;
  } else {
    // Never synced: the contents decide, whatever the times say.
    if (base.size != target.size) {
      conflict(ConflictReason::CreatedBoth, Side::Base);
      return;
    }
    if (!sameContents(same)) return;
    if (!same) {
      conflict(ConflictReason::CreatedBoth, Side::Base);
      return;
    }
  }
  // The same contents on both sides, never synced: equal, or the times are
  // settled as above.
  if (settleTimes()) return;
  if (verdict.mark == Mark::Same && recordEqual_) memory.RememberEqual(relFolder, name, base, target, false);
}

// A name that is a folder on one side and a file (or link) on the other. The
// file takes the folder's place when the folder's whole tree is as the last
// sync left it and the file side turned it into a file; the folder takes the
// file's place when the file is as remembered and the other side made a folder
// of it. Anything else stops at "!" and touches neither. The folder side's
// entries are then left out of the passes (their tree goes with the row),
// except when the folder wins: they are copied as new entries after the row.
void Comparison::JudgeKindChange(std::string_view relFolder, std::string_view name, bool folderOnBase,
                                 const Found& baseFound, const Found& targetFound, Verdict& verdict) {
  State& s = *state_;
  std::string path(relFolder);
  path.append(name);
  verdict = Verdict{};
  if (!s.kindChanges.insert(path).second) return;  // judged already, by the other pass
  path.push_back(platform::kSeparator);

  const platform::EntryInfo& file = folderOnBase ? targetFound.info : baseFound.info;
  verdict.row = true;
  verdict.kindChange = true;
  verdict.isFolder = folderOnBase;
  verdict.hasBase = verdict.hasTarget = true;
  verdict.baseTime = baseFound.info.mtime;
  verdict.targetTime = targetFound.info.mtime;
  if (!memory_) {
    // Complete sync: the base's entry takes the target's place whatever it was.
    // A target folder goes only as far as the scan saw it; one not read whole
    // keeps its place, and what the base lacks inside it goes entry by entry.
    verdict.mark = verdict.result = Mark::BaseNewer;
    if (folderOnBase) return;
    if (TreeUnchanged(false, path, verdict.tree)) {
      s.settled[1].insert(path);
    } else {
      verdict.mark = verdict.result = Mark::Failed;
      verdict.error = RowError{std::make_error_code(std::errc::is_a_directory), Side::Target};
      verdict.tree.clear();
    }
    return;
  }
  RememberedEntry was;
  const bool known = memory_->Find(relFolder, name, was);
  const bool wasFile = known && !was.folder;
  const bool wasFolder = (known && was.folder) || memory_->Table().Covers(path);
  const bool fileUnchanged = wasFile && !ChangeOf(file, was, !folderOnBase).Any();
  const bool treeUnchanged = TreeUnchanged(folderOnBase, path, verdict.tree);
  auto& settled = s.settled[folderOnBase ? 0 : 1];
  if (wasFile && !wasFolder && fileUnchanged) {
    verdict.mark = verdict.result = folderOnBase ? Mark::BaseNewer : Mark::TargetNewer;
    verdict.tree.clear();
  } else if (wasFolder && !wasFile && treeUnchanged) {
    verdict.mark = verdict.result = folderOnBase ? Mark::TargetNewer : Mark::BaseNewer;
    settled.insert(path);
  } else {
    verdict.mark = verdict.result = Mark::Conflict;
    verdict.error =
        RowError{MakeConflict(known || wasFolder ? ConflictReason::KindChangedBoth : ConflictReason::FileAndFolder),
                 folderOnBase ? Side::Base : Side::Target};
    settled.insert(path);
  }
}

void Comparison::JudgeCompleteKind(Kind kind, std::string_view relFolder, std::string_view name, const Found& base,
                                   const Found& target, Verdict& verdict) {
  if (!base.info.exists || !target.info.exists || base.info.directory == target.info.directory) return;
  if (kind == Kind::BaseFile || kind == Kind::BaseFolder) {
    JudgeKindChange(relFolder, name, base.info.directory, base, target, verdict);
    return;
  }
  // The target's entry was replaced by the base pass already.
  std::string path(relFolder);
  path.append(name);
  if (state_->kindChanges.count(path)) verdict = Verdict{};
}

bool Comparison::TreeUnchanged(bool baseSide, const std::string& folderPath, std::vector<ReplacedEntry>& tree) {
  const SideIndex& index = baseSide ? state_->base.Index() : state_->target.Index();
  tree.clear();
  const SideIndex::FolderId top = index.FindFolder(folderPath);
  if (top == SideIndex::kNoFolder) return false;  // not read: nothing can be shown
  bool unchanged = true;
  // Depth first; a folder is recorded after everything inside it.
  struct Level {
    SideIndex::FolderId folder;
    std::string below;  // the folder's path below the top, ending in the separator
    std::size_t next = 0;
  };
  std::vector<Level> stack{{top, {}, 0}};
  while (!stack.empty()) {
    Level& level = stack.back();
    if (!index.FolderComplete(level.folder)) unchanged = false;
    if (level.next == index.FolderEntryCount(level.folder)) {
      if (stack.size() > 1) {
        const std::string below = level.below.substr(0, level.below.size() - 1);
        const SideIndex::FolderId folder = level.folder;
        stack.pop_back();
        tree.push_back(ReplacedEntry{below, true, {}});
        const std::string rel = folderPath + stack.back().below;
        const std::string_view name = index.FolderName(folder);
        RememberedEntry was;
        // An empty folder counts as unchanged only when remembered as one.
        if (memory_ && index.FolderEntryCount(folder) == 0 && !(memory_->Find(rel, name, was) && was.folder))
          unchanged = false;
      } else {
        stack.pop_back();
      }
      continue;
    }
    const SideIndex::EntryId entry = static_cast<SideIndex::EntryId>(index.FirstEntry(level.folder) + level.next++);
    const std::string_view name = index.EntryName(entry);
    const platform::EntryInfo info = index.EntryInfoOf(entry);
    if (info.error || !info.exists) {
      unchanged = false;
      continue;
    }
    if (info.directory) {
      const SideIndex::FolderId child = index.FindChild(level.folder, name);
      if (child == SideIndex::kNoFolder) {
        unchanged = false;
        continue;
      }
      std::string below = level.below;
      below.append(name).push_back(platform::kSeparator);
      stack.push_back(Level{child, std::move(below), 0});
      continue;
    }
    RememberedEntry was;
    if (memory_ && (!memory_->Find(folderPath + level.below, name, was) || was.folder ||
                    ChangeOf(info, was, baseSide).Any()))
      unchanged = false;
    tree.push_back(ReplacedEntry{level.below + std::string(name), false, info.mtime});
  }
  return unchanged;
}

bool Comparison::SettledAbove(bool baseSide, std::string_view relFolder) {
  State& s = *state_;
  if (relFolder.empty()) return false;
  const auto& settled = s.settled[baseSide ? 0 : 1];
  const auto under = [&] {
    for (std::size_t cut = relFolder.find(platform::kSeparator); cut != std::string_view::npos;
         cut = relFolder.find(platform::kSeparator, cut + 1)) {
      if (settled.count(std::string(relFolder.substr(0, cut + 1)))) return true;
    }
    return false;
  };
  if (!settled.empty() && under()) return true;
  // Only a folder the other side lacks can have a file in its way; in complete
  // sync only a base folder replaces a file (the base pass judged the rest).
  if (s.walkOther != SideIndex::kMissingFolder || (!memory_ && !baseSide)) return false;
  const SideIndex& own = baseSide ? s.base.Index() : s.target.Index();
  const SideIndex& other = baseSide ? s.target.Index() : s.base.Index();
  std::size_t begin = 0;
  for (std::size_t cut = relFolder.find(platform::kSeparator); cut != std::string_view::npos;
       begin = cut + 1, cut = relFolder.find(platform::kSeparator, begin)) {
    const std::string_view parent = relFolder.substr(0, begin);
    const std::string_view name = relFolder.substr(begin, cut - begin);
    const Found there = other.LookUp(parent, name);
    if (there.info.error || !there.info.exists) return false;
    if (there.info.directory) continue;
    const Found mine = own.LookUp(parent, name);
    Verdict verdict;
    JudgeKindChange(parent, name, baseSide, baseSide ? mine : there, baseSide ? there : mine, verdict);
    AddRow(parent, name, verdict, baseSide ? Side::Base : Side::Target, SideIndex::kNoEntry, baseSide ? mine : there,
           baseSide ? there : mine);
    break;
  }
  return !settled.empty() && under();
}

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
  memory_->Table().ForEach([&](std::string_view rel, std::string_view name, const RememberedEntry& was, bool seen) {
    if (seen) return;
    const Found base = baseIndex.LookUp(rel, name);
    const Found target = targetIndex.LookUp(rel, name);
    if (base.info.error || target.info.error) return;
    // Neither side holds it as what it was (gone, or the other kind on both).
    const auto holds = [&](const Found& found) { return found.info.exists && found.info.directory == was.folder; };
    if (!holds(base) && !holds(target)) memory_->Forget(rel, name);
  });
}

}  // namespace orvel::engine
