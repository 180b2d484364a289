#include "engine/sync_execution.h"

#include "platform/metadata.h"
#include "platform/path.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace orvel::engine {

namespace {

using platform::Expectation;

// What the list says of one side of a row: whether it shows an entry there, and
// with which time.
struct Shown {
  bool exists = false;
  platform::FileTime time;
};

// The expectation an operation checks on one side: the entry the list shows, or
// for a side that shows none, no file (files) or nothing at all (folders).
Expectation ExpectationOf(const Shown& shown, bool folderRow) {
  if (shown.exists) return folderRow ? Expectation::Folder(shown.time) : Expectation::File(shown.time);
  return Expectation{folderRow ? Expectation::Kind::Absent : Expectation::Kind::NoFile, {}};
}

}  // namespace

// One row being executed, with what the list shows of it.
struct SyncExecution::Work {
  const ResultRow& row;
  std::string_view rel;
  std::string_view name;
  TreeAccess& base;
  TreeAccess& target;
  const FolderIdentities& ids;
  Shown baseShown;
  Shown targetShown;
};

void SyncExecution::UseRoots(const std::string& basePath, const platform::Folder& base, const std::string& targetPath,
                             const platform::Folder& target) {
  trees_.clear();
  trees_[basePath].Attach(base);
  trees_[targetPath].Attach(target);
  declined_ = false;
  deleteGuard_ = nullptr;
  syncRun_ = true;
}

void SyncExecution::Release() {
  FinishMadeFolders();
  session_.ForgetLinks();
  memory_.Flush();
  trees_.clear();
  deleteGuard_ = nullptr;
  declined_ = false;
  syncRun_ = false;
}

TreeAccess& SyncExecution::Tree(std::string_view rootPath) {
  auto found = trees_.find(rootPath);
  if (found == trees_.end()) found = trees_.emplace(std::string(rootPath), TreeAccess{}).first;
  return found->second;
}

std::error_code SyncExecution::OpenRoots(const ResultRow& row) {
  const FolderIdentities& ids = rows_.Identities(row);
  for (const auto& [path, id] : {std::pair{rows_.BaseRoot(row), ids.baseRoot}, {rows_.TargetRoot(row), ids.targetRoot}}) {
    TreeAccess& tree = Tree(path);
    if (tree.Root()) continue;
    if (const std::error_code error = tree.Open(std::string(path), id)) {
      trees_.erase(trees_.find(path));
      return error;
    }
  }
  return {};
}

bool SyncExecution::LockRoots(int item, RootLocks& locks, IPrompt& prompt) {
  const ResultRow& row = rows_.Row(list_.ItemData(item));
  if (OpenRoots(row)) return true;
  for (const std::string_view path : {rows_.BaseRoot(row), rows_.TargetRoot(row)}) {
    if (!locks.Take(*Tree(path).Root(), path, platform::FolderLock::Mode::Exclusive, prompt)) return false;
  }
  return true;
}

ItemResult SyncExecution::ExecuteRow(int item, Direction direction) {
  const ResultRow& row = rows_.Row(list_.ItemData(item));
  Mark mark = row.mark;
  if (direction == Direction::ForceBase) mark = Mark::BaseNewer;
  if (direction == Direction::ForceTarget) mark = Mark::TargetNewer;

  ItemResult result;
  result.shown = list_.ItemMark(item);
  // An identical pair (or one within the tolerance) needs nothing, and a row the
  // comparison could not judge offers nothing to act on: their texts stay. A
  // conflict is never part of a sync run; a row command settles it below.
  if (mark == Mark::Same || mark == Mark::Failed) return result;
  if (mark == Mark::Conflict && syncRun_) return result;

  if (const std::error_code error = OpenRoots(row)) {
    result = ItemResult{Mark::Failed, DateCopy::None, RowError{error, row.side}};
    list_.SetItemResult(item, result);
    return result;
  }
  const DateCopy copied = list_.ItemDateCopy(item);
  const Shown base{row.hasBase, row.baseTime};
  const Shown target{row.hasTarget, row.targetTime};
  Work work{row,
            rows_.RelativeFolder(row),
            rows_.Name(row),
            Tree(rows_.BaseRoot(row)),
            Tree(rows_.TargetRoot(row)),
            rows_.Identities(row),
            copied == DateCopy::TargetOverBase ? target : base,
            copied == DateCopy::BaseOverTarget ? base : target};

  if (mark == Mark::Conflict) {
    // Updating a conflict: the newer side wins as without the memory; an entry
    // edited on one side and deleted on the other comes back rather than going.
    if (work.baseShown.exists && work.targetShown.exists) {
      if (work.baseShown.time == work.targetShown.time) return result;
      mark = work.baseShown.time > work.targetShown.time ? Mark::BaseNewer : Mark::TargetNewer;
    } else {
      mark = work.baseShown.exists ? Mark::BaseOnly : Mark::TargetOnly;
    }
  }

  RowError error;
  // The pair whose state this row changes, when its condition remembers.
  PairMemory* pair = memory_.PairOf(rows_.BaseRoot(work.row), rows_.TargetRoot(work.row));
  std::uint64_t size = 0;
  std::uint64_t* copiedSize = pair ? &size : nullptr;
  switch (mark) {
    case Mark::BaseNewer:
    case Mark::BaseOnly:
      error = CopyRow(work, true, copiedSize);
      result.shown = Mark::BaseSynced;
      result.copy = DateCopy::BaseOverTarget;
      break;
    case Mark::TargetNewer:
    case Mark::TargetOnly:
      error = CopyRow(work, false, copiedSize);
      result.shown = Mark::TargetSynced;
      result.copy = DateCopy::TargetOverBase;
      break;
    case Mark::Delete:
    case Mark::BaseDelete:
      if (deleteGuard_) {
        const auto ask = std::exchange(deleteGuard_, nullptr);
        if (!ask()) {
          declined_ = true;
          return result;
        }
      }
      error = DeleteRow(work, mark == Mark::BaseDelete, list_.ItemData(item));
      result.shown = mark == Mark::BaseDelete ? Mark::BaseDeleted : Mark::Deleted;
      break;
    default:
      return result;
  }
  if (error.code) {
    result = ItemResult{Mark::Failed, DateCopy::None, error};
  } else if (pair) {
    Remember(*pair, work, result.shown, size);
  }
  list_.SetItemResult(item, result);
  return result;
}

void SyncExecution::Remember(PairMemory& pair, const Work& work, Mark done, std::uint64_t size) {
  switch (done) {
    case Mark::BaseSynced:
      pair.RememberCopy(work.rel, work.name, work.baseShown.time, size, work.row.isFolder);
      break;
    case Mark::TargetSynced:
      pair.RememberCopy(work.rel, work.name, work.targetShown.time, size, work.row.isFolder);
      break;
    default:
      pair.Forget(work.rel, work.name);
      break;
  }
}

void SyncExecution::FinishMadeFolders() {
  // Deepest first; a folder's own time does not move when a folder inside it changes.
  for (auto it = madeFolders_.rbegin(); it != madeFolders_.rend(); ++it) {
    const auto from = trees_.find(it->fromRoot);
    const auto to = trees_.find(it->toRoot);
    if (from == trees_.end() || to == trees_.end()) continue;
    platform::Expected<const platform::Folder*> source = from->second.FolderAt(it->made.rel);
    if (!source) continue;
    // Reopened: the tree keeps only a few folders open, and both are needed at once.
    platform::Expected<platform::Folder> sourceFolder = (*source)->Reopen();
    platform::Expected<const platform::Folder*> made = to->second.FolderAt(it->made.rel, it->made.identity);
    if (sourceFolder && made) platform::CopyFolderMetadata(session_, *sourceFolder, **made);
  }
  madeFolders_.clear();
}

void SyncExecution::ReportNotes(IPrompt& prompt) {
  for (const platform::CopySession::Report& report : session_.TakeNewNotes()) {
    const char* what = "";
    switch (report.note) {
      case platform::CopyNote::PlainRename:
        what = "plain-rename";
        break;
      case platform::CopyNote::ModeNotKept:
        what = "mode";
        break;
      case platform::CopyNote::OwnerNotKept:
        what = "owner";
        break;
      case platform::CopyNote::TimesNotKept:
        what = "times";
        break;
      case platform::CopyNote::AttributesNotKept:
        what = "attributes";
        break;
      case platform::CopyNote::HardLinksNotKept:
        what = "hard-links";
        break;
      case platform::CopyNote::LinkTimesLeft:
        what = "link-times";
        break;
    }
    const auto path = devicePaths_.find(report.device);
    prompt.Notice(RunMessage::MetadataSkipped,
                  {path == devicePaths_.end() ? std::string() : path->second, what, report.type});
  }
}

RowError SyncExecution::CopyRow(const Work& work, bool fromBase, std::uint64_t* size) {
  TreeAccess& fromTree = fromBase ? work.base : work.target;
  TreeAccess& toTree = fromBase ? work.target : work.base;
  const Side fromSide = fromBase ? Side::Base : Side::Target;
  const Side toSide = fromBase ? Side::Target : Side::Base;
  const Expectation source = ExpectationOf(fromBase ? work.baseShown : work.targetShown, work.row.isFolder);
  const Expectation destination = ExpectationOf(fromBase ? work.targetShown : work.baseShown, work.row.isFolder);

  platform::Expected<const platform::Folder*> from =
      fromTree.FolderAt(work.rel, fromBase ? work.ids.base : work.ids.target);
  if (!from) return {from.error(), fromSide};
  // The folders this copy makes, kept for their times once their contents are in.
  std::vector<TreeAccess::Made> newFolders;
  const auto NoteMadeFolders = [&](bool fromBaseSide) {
    const std::string_view fromRoot = fromBaseSide ? rows_.BaseRoot(work.row) : rows_.TargetRoot(work.row);
    const std::string_view toRoot = fromBaseSide ? rows_.TargetRoot(work.row) : rows_.BaseRoot(work.row);
    for (TreeAccess::Made& made : newFolders)
      madeFolders_.push_back(MadeFolder{std::string(fromRoot), std::string(toRoot), std::move(made)});
    newFolders.clear();
  };

  if (work.row.isFolder) {
    // An empty folder is copied by making it: its source must still be the
    // folder the list showed, and the destination must not hold a file.
    const platform::EntryInfo now = (*from)->LookUp(work.name);
    if (now.error) return {now.error, fromSide};
    if (!source.MetBy(now) || !now.directory) return {platform::MakeError(platform::Fault::ChangedSinceList), fromSide};
    std::string rel(work.rel);
    rel.append(work.name);
    platform::Expected<const platform::Folder*> made = toTree.MakeFolders(rel, &newFolders);
    NoteMadeFolders(fromBase);
    if (!made) return {made.error(), toSide};
    return {};
  }

  platform::Expected<const platform::Folder*> to = toTree.FolderAt(work.rel, fromBase ? work.ids.target : work.ids.base);
  // The destination's folders may be missing (a subtree only one side has):
  // they are made, each inside its verified parent.
  if (!to && platform::IsAbsence(to.error())) {
    to = toTree.MakeFolders(work.rel, &newFolders);
    NoteMadeFolders(fromBase);
  }
  if (!to) return {to.error(), toSide};
  devicePaths_.try_emplace((*to)->Id().device, std::string(fromBase ? rows_.TargetRoot(work.row) : rows_.BaseRoot(work.row)));
  platform::CopyFaultSide faultSide = platform::CopyFaultSide::Destination;
  const std::error_code error = platform::CopyEntryAt(**from, work.name, source, **to, destination, session_, &faultSide);
  if (!error) {
    // The size the state remembers: the copy's, as it now stands.
    const platform::CName name(work.name);
    struct stat st {};
    if (size && name.Valid() && ::fstatat((*to)->Fd(), name.Get(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
      *size = static_cast<std::uint64_t>(st.st_size);
    }
    return {};
  }
  // Whose entry made it fail, as the copy found it.
  return {error, faultSide == platform::CopyFaultSide::Source ? fromSide : toSide};
}

RowError SyncExecution::DeleteRow(const Work& work, bool baseSide, int rowIndex) {
  // Only while the other side still has no file there (no entry at all, for a
  // folder row), as the comparison saw it.
  const Side keptSide = baseSide ? Side::Target : Side::Base;
  const Side goneSide = baseSide ? Side::Base : Side::Target;
  TreeAccess& keptTree = baseSide ? work.target : work.base;
  TreeAccess& goneTree = baseSide ? work.base : work.target;
  platform::Expected<const platform::Folder*> kept = keptTree.FolderAt(work.rel, baseSide ? work.ids.target : work.ids.base);
  if (kept) {
    const platform::EntryInfo now = (*kept)->LookUp(work.name);
    if (now.error) return {now.error, keptSide};
    const Expectation absent = ExpectationOf(Shown{}, work.row.isFolder);
    if (!absent.MetBy(now)) return {platform::MakeError(platform::Fault::ChangedSinceList), keptSide};
  } else if (!platform::IsAbsence(kept.error())) {
    return {kept.error(), keptSide};
  }
  platform::Expected<const platform::Folder*> gone = goneTree.FolderAt(work.rel, baseSide ? work.ids.base : work.ids.target);
  if (!gone) return {gone.error(), goneSide};
  Expectation expect = ExpectationOf(baseSide ? work.baseShown : work.targetShown, work.row.isFolder);
  if (const platform::Identity* emptied = memory_.EmptiedFolder(rowIndex)) {
    // A folder emptied by this run's deletions has a new time: it must still be
    // the very folder the list showed (and it goes only when empty).
    const platform::EntryInfo now = (*gone)->LookUp(work.name);
    if (now.error) return {now.error, goneSide};
    if (!now.directory || (*gone)->LookUpIdentity(work.name) != *emptied) {
      return {platform::MakeError(platform::Fault::ChangedSinceList), goneSide};
    }
    expect = Expectation::Folder(now.mtime);
  }
  const bool toTrash = deleteTrash_ && deleteTrash_();
  return {platform::DeleteEntryAt(**gone, work.name, expect, toTrash), goneSide};
}

}  // namespace orvel::engine
