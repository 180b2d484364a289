#include "engine/sync_execution.h"

#include "engine/beside_name.h"
#include "engine/remove_tree.h"
#include "file_row_copy.h"
#include "folder_up_walk.h"
#include "sync_work.h"
#include "platform/entry_moves.h"
#include "platform/metadata.h"
#include "platform/path.h"
#include "platform/stat_util.h"
#include "platform/trash.h"

#include <ctime>

#include <fcntl.h>
#include <sys/stat.h>

namespace orvel::engine {


void SyncExecution::UseRoots(const std::string& basePath, const platform::Folder& base, const std::string& targetPath,
                             const platform::Folder& target) {
  trees_.clear();
  trees_[basePath].Attach(base);
  trees_[targetPath].Attach(target);
  StartCopyPool(base, target);
  declined_ = false;
  deleteGuard_ = nullptr;
  syncRun_ = true;
}

void SyncExecution::Release() {
  SettleCopies(true);
  pool_.reset();
  SettleFar();
  FinishMadeFolders();
  SettleFar();
  FinishMadeRoot();
  // What the rows did is on stable storage before the memory trusts it: a
  // crash may leave the memory older than the disks, never newer.
  if (!MakeChangesDurable()) memory_.DropUnwritten();
  farRoots_.clear();
  farFolders_.clear();
  // The far sides let go of their locks.
  openedFar_.clear();
  session_.ForgetLinks();
  memory_.Flush();
  trees_.clear();
  deleteGuard_ = nullptr;
  declined_ = false;
  syncRun_ = false;
}

bool SyncExecution::MakeChangesDurable() {
  bool durable = true;
  // One syncfs per file system the rows changed, on either side.
  for (const platform::CopySession::FlushFailure& failure : session_.FlushChanges()) {
    durable = false;
    const auto path = devicePaths_.find(failure.device);
    if (prompt_)
      prompt_->Notice(RunMessage::NotDurable, {path == devicePaths_.end() ? failure.type : path->second,
                                               prompt_->ReasonText(ReasonOf(failure.error))});
  }
  for (const auto& [path, far] : farRoots_) {
    if (const std::error_code error = far->Flush()) {
      durable = false;
      if (prompt_) prompt_->Notice(RunMessage::NotDurable, {path, prompt_->ReasonText(far->Describe(error))});
    }
  }
  return durable;
}

void SyncExecution::NoteChange(const platform::Folder& folder) {
  session_.NoteChange(folder.Fd(), folder.Id().device);
}

TreeAccess& SyncExecution::Tree(std::string_view rootPath) {
  auto found = trees_.find(rootPath);
  if (found == trees_.end()) found = trees_.emplace(std::string(rootPath), TreeAccess{}).first;
  return found->second;
}

std::error_code SyncExecution::OpenRoots(const ResultRow& row) {
  const FolderIdentities& ids = rows_.Identities(row);
  for (const auto& [path, id] : {std::pair{rows_.BaseRoot(row), ids.baseRoot}, {rows_.TargetRoot(row), ids.targetRoot}}) {
    if (FarRoot(path)) continue;
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
  // A far root is locked by its far side as it is opened.
  bool gaveUp = false;
  if (OpenFarRoots(row, &prompt, gaveUp)) return !gaveUp;
  if (OpenRoots(row)) return true;
  for (const std::string_view path : {rows_.BaseRoot(row), rows_.TargetRoot(row)}) {
    if (FarRoot(path)) continue;
    if (!locks.Take(*Tree(path).Root(), path, platform::FolderLock::Mode::Exclusive, prompt)) return false;
  }
  return true;
}

std::error_code SyncExecution::OpenFarRoots(const ResultRow& row, IPrompt* prompt, bool& gaveUp) {
  if (!farSides_) return {};
  const FolderIdentities& ids = rows_.Identities(row);
  for (const auto& [path, id] : {std::pair{rows_.BaseRoot(row), ids.baseRoot}, {rows_.TargetRoot(row), ids.targetRoot}}) {
    if (FarRoot(path) || !farSides_->IsFar(path)) continue;
    for (;;) {
      IFarSides::Opened opened = farSides_->Open(std::string(path), true, false);
      if (opened.root) {
        // Another folder by now under that name (remounted, replaced): the rows
        // describe the one the list was made from.
        if (id.Known() && opened.root->Info().identity != id)
          return platform::MakeError(platform::Fault::ChangedSinceList);
        farRoots_[std::string(path)] = opened.root.get();
        openedFar_[std::string(path)] = std::move(opened.root);
        break;
      }
      if (opened.error == platform::MakeError(platform::Fault::Busy) && prompt &&
          prompt->Ask(RunMessage::FolderBusyAsk, {std::string(path)}))
        continue;
      gaveUp = opened.error == platform::MakeError(platform::Fault::Busy) && prompt;
      return opened.error;
    }
  }
  return {};
}

bool SyncExecution::AsksWhichVersion(int item) const {
  return rows_.Row(list_.ItemData(item)).mark == Mark::Conflict;
}

ItemResult SyncExecution::ExecuteRow(int item, Direction direction) {
  const int rowIndex = list_.ItemData(item);
  const ResultRow& row = rows_.Row(rowIndex);
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

  // A sync run has its far roots; a row command opens them (LockRoots did,
  // unless the row came without).
  bool gaveUp = false;
  if (!syncRun_) {
    if (const std::error_code error = OpenFarRoots(row, nullptr, gaveUp)) {
      result = ItemResult{Mark::Failed, DateCopy::None, RowError{error, row.side}};
      list_.SetItemResult(item, result);
      return result;
    }
  }
  IFarRoot* const baseFar = FarRoot(rows_.BaseRoot(row));
  IFarRoot* const targetFar = FarRoot(rows_.TargetRoot(row));
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
            copied == DateCopy::BaseOverTarget ? base : target,
            rowIndex};
  // The pair whose state this row changes, when its condition remembers.
  PairMemory* pair = memory_.PairOf(rows_.BaseRoot(work.row), rows_.TargetRoot(work.row));
  if (pool_) {
    // A plain file copy joins those in flight; any other row waits for them.
    if (PoolCopy(item, work, mark, direction, pair)) return result;
    SettleCopies(true);
  }

  if (mark == Mark::Conflict) {
    // Never decided by the clocks: the user says which version stays.
    ConflictQuestion question;
    question.basePath = rows_.BaseFolder(row).append(work.name);
    question.targetPath = rows_.TargetFolder(row).append(work.name);
    question.baseExists = work.baseShown.exists;
    question.targetExists = work.targetShown.exists;
    question.baseTime = work.baseShown.time;
    question.targetTime = work.targetShown.time;
    question.baseSize = row.baseSize;
    question.targetSize = row.targetSize;
    question.baseFolder = row.kindChange ? row.isFolder : row.isFolder && row.hasBase;
    question.targetFolder = row.kindChange ? !row.isFolder : row.isFolder && row.hasTarget;
    if (const RowError* reason = rows_.Error(rowIndex)) question.reason = reason->code;
    const KeepVersion choice = prompt_ ? prompt_->ChooseVersion(question) : KeepVersion::Neither;
    switch (choice) {
      case KeepVersion::Neither:
        return result;
      case KeepVersion::Base:
      case KeepVersion::Target: {
        const bool keepBase = choice == KeepVersion::Base;
        if (!(keepBase ? work.targetShown.exists : work.baseShown.exists)) {
          // Nothing of the other side to lose: a plain copy.
          mark = keepBase ? Mark::BaseNewer : Mark::TargetNewer;
          break;
        }
        platform::EntryInfo copy;
        RowError error;
        if (keepBase ? work.baseShown.exists : work.targetShown.exists) {
          error = KeepOneVersion(work, keepBase, baseFar, targetFar, &copy);
          result = {keepBase ? Mark::BaseSynced : Mark::TargetSynced,
                    keepBase ? DateCopy::BaseOverTarget : DateCopy::TargetOverBase, {}};
        } else {
          // The kept side deleted it: the other side's version goes as well.
          error = SetVersionAside(work, !keepBase, baseFar, targetFar);
          result = {keepBase ? Mark::Deleted : Mark::BaseDeleted, DateCopy::None, {}};
        }
        if (error.code) {
          result = ItemResult{Mark::Failed, DateCopy::None, error};
        } else if (baseFar || targetFar) {
          if (const std::shared_ptr<FarMemo> memo = FarMemoOf(work, result.shown)) {
            memo->kept = copy;
            RememberFar(*memo);
          }
        } else if (pair) {
          Remember(*pair, work, result.shown, copy);
        }
        list_.SetItemResult(item, result);
        return result;
      }
      case KeepVersion::Both:
        if (work.baseShown.exists && work.targetShown.exists) {
          const RowError error =
              baseFar || targetFar ? KeepBothFar(work, pair, baseFar, targetFar) : KeepBoth(work, pair);
          result = error.code ? ItemResult{Mark::Failed, DateCopy::None, error}
                              : ItemResult{Mark::BaseSynced, DateCopy::None, {}};
          list_.SetItemResult(item, result);
          return result;
        }
        // Only one version exists: it is kept on both sides.
        mark = work.baseShown.exists ? Mark::BaseNewer : Mark::TargetNewer;
        break;
    }
  }
  // A direction chosen from the side where the remembered sync saw the entry
  // deleted accepts the deletion: the other side's entry goes too.
  const bool knownDeleted =
      pair && (row.mark == Mark::Conflict || row.mark == Mark::Delete || row.mark == Mark::BaseDelete);
  if (knownDeleted && mark == Mark::BaseNewer && !work.baseShown.exists && work.targetShown.exists) mark = Mark::Delete;
  if (knownDeleted && mark == Mark::TargetNewer && !work.targetShown.exists && work.baseShown.exists)
    mark = Mark::BaseDelete;
  if (baseFar || targetFar) return ExecuteFarRow(item, work, mark, result, baseFar, targetFar);

  RowError error;
  platform::EntryInfo copy;
  switch (mark) {
    case Mark::BaseNewer:
    case Mark::BaseOnly:
      error = row.kindChange ? ReplaceKind(work, true, &copy)
              : row.timesOnly ? SettleTimes(work, true, &copy)
                               : CopyRow(work, true, &copy);
      result.shown = Mark::BaseSynced;
      result.copy = DateCopy::BaseOverTarget;
      break;
    case Mark::TargetNewer:
    case Mark::TargetOnly:
      error = row.kindChange ? ReplaceKind(work, false, &copy)
              : row.timesOnly ? SettleTimes(work, false, &copy)
                               : CopyRow(work, false, &copy);
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
      error = DeleteRow(work, mark == Mark::BaseDelete, rowIndex);
      result.shown = mark == Mark::BaseDelete ? Mark::BaseDeleted : Mark::Deleted;
      break;
    default:
      return result;
  }
  if (error.code) {
    result = ItemResult{Mark::Failed, DateCopy::None, error};
  } else if (pair) {
    Remember(*pair, work, result.shown, copy);
  }
  list_.SetItemResult(item, result);
  return result;
}

void SyncExecution::Remember(PairMemory& pair, const Work& work, Mark done, const platform::EntryInfo& copied) {
  const bool fromBase = done == Mark::BaseSynced;
  if (done != Mark::BaseSynced && done != Mark::TargetSynced) {
    pair.Forget(work.rel, work.name);
    return;
  }
  if (work.row.kindChange) {
    // The entry that went: a file is forgotten, a folder's tree with it.
    const bool folderWins = fromBase == work.row.isFolder;
    if (folderWins) {
      pair.Forget(work.rel, work.name);
      return;
    }
    if (const std::vector<ReplacedEntry>* tree = memory_.ReplacedTree(work.rowIndex)) {
      std::string top(work.rel);
      top.append(work.name).push_back(platform::kSeparator);
      for (const ReplacedEntry& entry : *tree) {
        const auto cut = entry.rel.rfind(platform::kSeparator);
        const std::string folder = cut == std::string::npos ? top : top + entry.rel.substr(0, cut + 1);
        pair.Forget(folder, cut == std::string::npos ? entry.rel : entry.rel.substr(cut + 1));
      }
    }
  }
  // The source as the comparison saw it (a sync run), else its time alone: a
  // stamp not known proves nothing, so the contents settle it next time.
  platform::EntryInfo source;
  if (const platform::EntryInfo* seen = pair.Shown(work.rowIndex, fromBase)) {
    source = *seen;
  } else {
    source.exists = true;
    source.directory = work.row.isFolder;
    source.mtime = fromBase ? work.baseShown.time : work.targetShown.time;
    source.size = copied.size;
  }
  pair.RememberCopy(work.rel, work.name, fromBase, source, copied, work.row.isFolder && !work.row.kindChange);
}

void SyncExecution::FinishMadeFolders() {
  // Deepest first; a folder's own time does not move when a folder inside it changes.
  for (auto it = madeFolders_.rbegin(); it != madeFolders_.rend(); ++it) {
    if (it->farFrom || it->farTo) {
      FinishFarMadeFolder(*it);
      continue;
    }
    const auto from = trees_.find(it->fromRoot);
    const auto to = trees_.find(it->toRoot);
    if (from == trees_.end() || to == trees_.end()) continue;
    // Walked up from the deepest folder made, on both sides at once.
    FolderUpWalk source(from->second.Root());
    FolderUpWalk made(to->second.Root());
    for (auto folder = it->made.folders.rbegin(); folder != it->made.folders.rend(); ++folder) {
      const platform::Expected<const platform::Folder*> sourceFolder = source.At(it->made.RelOf(*folder));
      const platform::Expected<const platform::Folder*> madeFolder = made.At(it->made.RelOf(*folder));
      if (sourceFolder && madeFolder && (!folder->identity.Known() || (*madeFolder)->Id() == folder->identity))
        platform::CopyFolderMetadata(session_, **sourceFolder, **madeFolder);
    }
  }
  madeFolders_.clear();
}

void SyncExecution::FinishMadeRoot() {
  const MadeRoot root = std::exchange(madeRoot_, MadeRoot{});
  if (!root.target && !root.targetFar) return;
  if (root.base && root.target) {
    platform::CopyFolderMetadata(session_, *root.base, *root.target);
    return;
  }
  platform::EntryInfo base;
  struct stat st {};
  if (root.baseFar) {
    base = root.baseFar->LookUp({}, {});
  } else if (root.base && ::fstat(root.base->Fd(), &st) == 0) {
    base = platform::InfoOf(st);
  }
  if (!base.exists || !base.directory) return;
  if (root.targetFar) {
    root.targetFar->SetFolderTime({}, {}, base.mtime, nullptr);
    root.targetFar->Settle();
    return;
  }
  const timespec times[2] = {{0, UTIME_OMIT}, {base.mtime.sec, base.mtime.nsec}};
  ::futimens(root.target->Fd(), times);
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

RowError SyncExecution::CopyRow(const Work& work, bool fromBase, platform::EntryInfo* copied) {
  TreeAccess& fromTree = fromBase ? work.base : work.target;
  TreeAccess& toTree = fromBase ? work.target : work.base;
  // The folders this copy makes, kept for their times once their contents are in.
  TreeAccess::Made newFolders;
  const auto NoteMadeFolders = [&]() {
    const std::string_view fromRoot = fromBase ? rows_.BaseRoot(work.row) : rows_.TargetRoot(work.row);
    const std::string_view toRoot = fromBase ? rows_.TargetRoot(work.row) : rows_.BaseRoot(work.row);
    if (!newFolders.folders.empty())
      madeFolders_.push_back(MadeFolder{std::string(fromRoot), std::string(toRoot), std::move(newFolders)});
    newFolders = {};
  };

  if (!work.row.isFolder) {
    FileRowCopyDone done;
    const RowError error = CopyFileOfRow(FileCopyOf(work, fromBase), fromTree, toTree, session_, done);
    newFolders = std::move(done.made);
    NoteMadeFolders();
    if (done.toDevice)
      devicePaths_.try_emplace(done.toDevice, fromBase ? rows_.TargetRoot(work.row) : rows_.BaseRoot(work.row));
    if (!error.code && copied) *copied = done.copied;
    return error;
  }

  // An empty folder is copied by making it: its source must still be the
  // folder the list showed, and the destination must not hold a file.
  const Side fromSide = fromBase ? Side::Base : Side::Target;
  const Side toSide = fromBase ? Side::Target : Side::Base;
  const Expectation source = ExpectationOf(fromBase ? work.baseShown : work.targetShown, work.row.isFolder);
  platform::Expected<const platform::Folder*> from =
      fromTree.FolderAt(work.rel, fromBase ? work.ids.base : work.ids.target);
  if (!from) return {from.error(), fromSide};
  const platform::EntryInfo now = (*from)->LookUp(work.name);
  if (now.error) return {now.error, fromSide};
  if (!source.MetBy(now) || !now.directory) return {platform::MakeError(platform::Fault::ChangedSinceList), fromSide};
  std::string rel(work.rel);
  rel.append(work.name);
  platform::Expected<const platform::Folder*> made = toTree.MakeFolders(rel, &newFolders);
  NoteMadeFolders();
  if (!made) return {made.error(), toSide};
  NoteChange(**made);
  if (copied) *copied = now;
  return {};
}

namespace {

// The tree as the list saw it, for RemoveTree.
std::vector<SeenEntry> SeenTree(const std::vector<ReplacedEntry>& tree) {
  std::vector<SeenEntry> seen;
  seen.reserve(tree.size());
  for (const ReplacedEntry& entry : tree) seen.push_back({entry.rel, entry.folder, entry.mtime});
  return seen;
}

}  // namespace

RowError SyncExecution::ReplaceKind(const Work& work, bool fromBase, platform::EntryInfo* copied) {
  TreeAccess& fromTree = fromBase ? work.base : work.target;
  TreeAccess& toTree = fromBase ? work.target : work.base;
  const Side fromSide = fromBase ? Side::Base : Side::Target;
  const Side toSide = fromBase ? Side::Target : Side::Base;
  const bool sourceIsFolder = fromBase == work.row.isFolder;
  const Shown& sourceShown = fromBase ? work.baseShown : work.targetShown;
  const Shown& destinationShown = fromBase ? work.targetShown : work.baseShown;
  platform::Expected<const platform::Folder*> from =
      fromTree.FolderAt(work.rel, fromBase ? work.ids.base : work.ids.target);
  if (!from) return {from.error(), fromSide};
  platform::Expected<const platform::Folder*> to =
      toTree.FolderAt(work.rel, fromBase ? work.ids.target : work.ids.base);
  if (!to) return {to.error(), toSide};
  const platform::EntryInfo source = (*from)->LookUp(work.name);
  if (source.error) return {source.error, fromSide};
  if (!source.exists || source.directory != sourceIsFolder || (!sourceIsFolder && source.mtime != sourceShown.time))
    return {platform::MakeError(platform::Fault::ChangedSinceList), fromSide};
  const platform::EntryInfo before = (*to)->LookUp(work.name);
  if (before.error) return {before.error, toSide};
  if (!before.exists || before.directory == sourceIsFolder || (sourceIsFolder && before.mtime != destinationShown.time))
    return {platform::MakeError(platform::Fault::ChangedSinceList), toSide};

  // The old entry steps aside under a name of its own; it goes only once the
  // new one stands in its place, and comes back when that cannot be made.
  NoteChange(**to);
  const std::string aside = FreeBesideName(work.name, "replaced", **to, nullptr);
  const platform::Expectation was =
      sourceIsFolder ? platform::Expectation::File(before.mtime) : platform::Expectation::Folder(before.mtime);
  if (const std::error_code error = platform::RenameEntryAt(**to, work.name, was, aside)) return {error, toSide};
  std::error_code made =
      sourceIsFolder ? platform::MakeFolderAt(**to, work.name)
                     : platform::CopyEntryAt(**from, work.name, platform::Expectation::File(sourceShown.time), **to,
                                             platform::Expectation{platform::Expectation::Kind::Absent, {}});
  if (made) {
    platform::RenameEntryAt(**to, aside, platform::Expectation{}, work.name);
    return {made, toSide};
  }
  if (sourceIsFolder) {
    // Its time follows the source's once its contents are in.
    std::string rel(work.rel);
    rel.append(work.name);
    madeFolders_.push_back(MadeFolder{std::string(fromBase ? rows_.BaseRoot(work.row) : rows_.TargetRoot(work.row)),
                                      std::string(fromBase ? rows_.TargetRoot(work.row) : rows_.BaseRoot(work.row)),
                                      TreeAccess::Made{rel, {{rel.size(), (*to)->LookUpIdentity(work.name)}}}});
  }
  if (copied) *copied = (*to)->LookUpWritten(work.name);
  const bool toTrash = deleteTrash_ && deleteTrash_();
  std::error_code removed;
  if (sourceIsFolder) {
    removed = platform::DeleteEntryAt(**to, aside, platform::Expectation::File(before.mtime), toTrash);
  } else if (toTrash) {
    removed = platform::TrashEntryAt(**to, aside, (*to)->LookUpIdentity(aside));
  } else {
    const std::vector<ReplacedEntry>* tree = memory_.ReplacedTree(work.rowIndex);
    removed = tree ? RemoveTree(**to, aside, SeenTree(*tree)) : platform::MakeError(platform::Fault::ChangedSinceList);
  }
  // The new entry stands; what could not go stays beside it under its own name.
  if (removed) return {removed, toSide};
  return {};
}

RowError SyncExecution::KeepBoth(const Work& work, PairMemory* pair) {
  platform::Expected<const platform::Folder*> base = work.base.FolderAt(work.rel, work.ids.base);
  if (!base) return {base.error(), Side::Base};
  platform::Expected<const platform::Folder*> target = work.target.FolderAt(work.rel, work.ids.target);
  if (!target) return {target.error(), Side::Target};
  // A file meeting a folder: the file is the one renamed.
  const bool renameBase = work.row.kindChange && !work.row.isFolder;
  const platform::Folder& renamedIn = renameBase ? **base : **target;
  const platform::Folder& other = renameBase ? **target : **base;
  const Shown& renamedShown = renameBase ? work.baseShown : work.targetShown;
  const Side renamedSide = renameBase ? Side::Base : Side::Target;
  const Side otherSide = renameBase ? Side::Target : Side::Base;
  const std::string beside = FreeBesideName(work.name, "conflict", renamedIn, &other);
  NoteChange(renamedIn);
  if (const std::error_code error =
          platform::RenameEntryAt(renamedIn, work.name, platform::Expectation::File(renamedShown.time), beside))
    return {error, renamedSide};
  const platform::Expectation absent{platform::Expectation::Kind::Absent, {}};
  // The renamed version goes to the other side under its new name.
  if (const std::error_code error =
          platform::CopyEntryAt(renamedIn, beside, platform::Expectation::File(renamedShown.time), other, absent, session_))
    return {error, otherSide};
  if (pair) {
    const platform::EntryInfo from = renamedIn.LookUpWritten(beside);
    const platform::EntryInfo to = other.LookUpWritten(beside);
    pair->RememberCopy(work.rel, beside, renameBase, from, to, false);
    pair->Forget(work.rel, work.name);
  }
  if (work.row.kindChange) {
    // The folder keeps the name; its entries follow with the next sync run.
    if (const std::error_code error = platform::MakeFolderAt(renamedIn, work.name)) return {error, renamedSide};
    return {};
  }
  // The other version takes the name on the renamed side too.
  const Shown& otherShown = renameBase ? work.targetShown : work.baseShown;
  if (const std::error_code error =
          platform::CopyEntryAt(other, work.name, platform::Expectation::File(otherShown.time), renamedIn, absent, session_))
    return {error, renamedSide};
  if (pair)
    pair->RememberCopy(work.rel, work.name, !renameBase, other.LookUp(work.name), renamedIn.LookUpWritten(work.name), false);
  return {};
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
  NoteChange(**gone);
  return {platform::DeleteEntryAt(**gone, work.name, expect, toTrash), goneSide};
}

}  // namespace orvel::engine
