// A kind change or a kept conflict with a side on another machine: the same
// steps as on this one, each waiting for the answer of the one before, since
// what comes next depends on it (an entry moved aside comes back when its
// replacement cannot be made, and goes only once the replacement is in).
#include "engine/sync_execution.h"

#include "engine/beside_name.h"
#include "sync_work.h"

#include "platform/entry_moves.h"
#include "platform/trash.h"

#include <ctime>
#include <optional>

namespace orvel::engine {

namespace {

std::error_code Changed() { return platform::MakeError(platform::Fault::ChangedSinceList); }

// One side of the row: its folder here, or its root on another machine.
class StepSide {
 public:
  StepSide(IFarRoot* far, std::string_view rel) : far_(far), rel_(rel) {}
  std::error_code OpenHere(TreeAccess& tree, const platform::Identity& id) {
    platform::Expected<const platform::Folder*> folder = tree.FolderAt(rel_, id);
    if (!folder) return folder.error();
    // Its own descriptor: the copies between the steps use the tree too.
    platform::Expected<platform::Folder> own = (*folder)->Reopen();
    if (!own) return own.error();
    folder_.emplace(std::move(*own));
    return {};
  }

  platform::EntryInfo LookUp(std::string_view name) const {
    return far_ ? far_->LookUp(rel_, name) : folder_->LookUp(name);
  }
  std::error_code Rename(std::string_view name, const platform::Expectation& expect, std::string_view newName) const {
    if (!far_) return platform::RenameEntryAt(*folder_, name, expect, newName);
    return Wait([&](const IFarRoot::Done& done) { far_->Rename(rel_, name, expect, newName, done); });
  }
  std::error_code MakeFolder(std::string_view name) const {
    if (!far_) return platform::MakeFolderAt(*folder_, name);
    return Wait([&](const IFarRoot::Done& done) { far_->MakeFolder(rel_, name, done); });
  }
  std::error_code Delete(std::string_view name, const platform::Expectation& expect, bool toTrash) const {
    if (!far_) return platform::DeleteEntryAt(*folder_, name, expect, toTrash);
    return Wait([&](const IFarRoot::Done& done) { far_->Delete(rel_, name, expect, toTrash, done); });
  }
  std::error_code RemoveFolderTree(std::string_view name, std::span<const SeenEntry> tree, bool toTrash) const {
    if (far_) return Wait([&](const IFarRoot::Done& done) { far_->RemoveTree(rel_, name, tree, toTrash, done); });
    if (toTrash) return platform::TrashEntryAt(*folder_, name, folder_->LookUpIdentity(name));
    return RemoveTree(*folder_, name, tree);
  }

 private:
  template <typename Request>
  std::error_code Wait(const Request& request) const {
    std::error_code answer = platform::MakeError(platform::Fault::ChangedSinceList);
    request([&answer](std::error_code error) { answer = error; });
    far_->Settle();
    return answer;
  }

  IFarRoot* far_;
  std::string_view rel_;
  std::optional<platform::Folder> folder_;
};

}  // namespace

RowError SyncExecution::ReplaceKindFar(const Work& work, bool fromBase, IFarRoot* fromFar, IFarRoot* toFar,
                                       platform::EntryInfo* copied) {
  const Side fromSide = fromBase ? Side::Base : Side::Target;
  const Side toSide = fromBase ? Side::Target : Side::Base;
  const bool sourceIsFolder = fromBase == work.row.isFolder;
  const Shown& sourceShown = fromBase ? work.baseShown : work.targetShown;
  const Shown& destinationShown = fromBase ? work.targetShown : work.baseShown;
  StepSide from(fromFar, work.rel);
  StepSide to(toFar, work.rel);
  if (!fromFar)
    if (const std::error_code error = from.OpenHere(fromBase ? work.base : work.target,
                                                    fromBase ? work.ids.base : work.ids.target))
      return {error, fromSide};
  if (!toFar)
    if (const std::error_code error = to.OpenHere(fromBase ? work.target : work.base,
                                                  fromBase ? work.ids.target : work.ids.base))
      return {error, toSide};
  const platform::EntryInfo source = from.LookUp(work.name);
  if (source.error) return {source.error, fromSide};
  if (!source.exists || source.directory != sourceIsFolder || (!sourceIsFolder && source.mtime != sourceShown.time))
    return {Changed(), fromSide};
  const platform::EntryInfo before = to.LookUp(work.name);
  if (before.error) return {before.error, toSide};
  if (!before.exists || before.directory == sourceIsFolder || (sourceIsFolder && before.mtime != destinationShown.time))
    return {Changed(), toSide};

  const std::string aside = FreeBesideName(work.name, "replaced", to, nullptr);
  const platform::Expectation was =
      sourceIsFolder ? platform::Expectation::File(before.mtime) : platform::Expectation::Folder(before.mtime);
  if (const std::error_code error = to.Rename(work.name, was, aside)) return {error, toSide};
  const platform::Expectation absent{platform::Expectation::Kind::Absent, {}};
  const RowError made =
      sourceIsFolder
          ? RowError{to.MakeFolder(work.name), toSide}
          : CopyNow(work, fromBase, fromFar, toFar,
                    Transfer{work.name, platform::Expectation::File(sourceShown.time), work.name, absent, false});
  if (made.code) {
    to.Rename(aside, platform::Expectation{}, work.name);
    return made;
  }
  if (sourceIsFolder) {
    // Its time follows the source's once its contents are in.
    std::string rel(work.rel);
    rel.append(work.name);
    madeFolders_.push_back(MadeFolder{std::string(fromBase ? rows_.BaseRoot(work.row) : rows_.TargetRoot(work.row)),
                                      std::string(fromBase ? rows_.TargetRoot(work.row) : rows_.BaseRoot(work.row)),
                                      TreeAccess::Made{std::move(rel), {}}, fromFar, toFar});
  }
  if (copied) *copied = to.LookUp(work.name);
  const bool toTrash = deleteTrash_ && deleteTrash_();
  std::error_code removed;
  if (sourceIsFolder) {
    removed = to.Delete(aside, platform::Expectation::File(before.mtime), toTrash);
  } else if (toTrash) {
    removed = to.RemoveFolderTree(aside, {}, true);
  } else if (const std::vector<ReplacedEntry>* tree = memory_.ReplacedTree(work.rowIndex)) {
    std::vector<SeenEntry> seen;
    seen.reserve(tree->size());
    for (const ReplacedEntry& entry : *tree) seen.push_back({entry.rel, entry.folder, entry.mtime});
    removed = to.RemoveFolderTree(aside, seen, false);
  } else {
    removed = Changed();
  }
  // The new entry stands; what could not go stays beside it under its own name.
  if (removed) return {removed, toSide};
  return {};
}

RowError SyncExecution::KeepBothFar(const Work& work, PairMemory* pair, IFarRoot* baseFar, IFarRoot* targetFar) {
  StepSide base(baseFar, work.rel);
  StepSide target(targetFar, work.rel);
  if (!baseFar)
    if (const std::error_code error = base.OpenHere(work.base, work.ids.base)) return {error, Side::Base};
  if (!targetFar)
    if (const std::error_code error = target.OpenHere(work.target, work.ids.target)) return {error, Side::Target};
  // A file meeting a folder: the file is the one renamed.
  const bool renameBase = work.row.kindChange && !work.row.isFolder;
  const StepSide& renamedIn = renameBase ? base : target;
  const StepSide& other = renameBase ? target : base;
  IFarRoot* const renamedFar = renameBase ? baseFar : targetFar;
  IFarRoot* const otherFar = renameBase ? targetFar : baseFar;
  const Shown& renamedShown = renameBase ? work.baseShown : work.targetShown;
  const Side renamedSide = renameBase ? Side::Base : Side::Target;
  const std::string beside = FreeBesideName(work.name, "conflict", renamedIn, &other);
  if (const std::error_code error = renamedIn.Rename(work.name, platform::Expectation::File(renamedShown.time), beside))
    return {error, renamedSide};
  const platform::Expectation absent{platform::Expectation::Kind::Absent, {}};
  // The renamed version goes to the other side under its new name.
  if (const RowError error = CopyNow(work, renameBase, renamedFar, otherFar,
                                     Transfer{beside, platform::Expectation::File(renamedShown.time), beside, absent});
      error.code)
    return error;
  if (pair) {
    pair->RememberCopy(work.rel, beside, renameBase, renamedIn.LookUp(beside), other.LookUp(beside), false);
    pair->Forget(work.rel, work.name);
  }
  if (work.row.kindChange) {
    // The folder keeps the name; its entries follow with the next sync run.
    if (const std::error_code error = renamedIn.MakeFolder(work.name)) return {error, renamedSide};
    return {};
  }
  // The other version takes the name on the renamed side too.
  const Shown& otherShown = renameBase ? work.targetShown : work.baseShown;
  if (const RowError error =
          CopyNow(work, !renameBase, otherFar, renamedFar,
                  Transfer{work.name, platform::Expectation::File(otherShown.time), work.name, absent});
      error.code)
    return error;
  if (pair)
    pair->RememberCopy(work.rel, work.name, !renameBase, other.LookUp(work.name), renamedIn.LookUp(work.name), false);
  return {};
}

}  // namespace orvel::engine
