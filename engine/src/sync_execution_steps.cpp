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
  // `session` hears of the changes the steps make here.
  std::error_code OpenHere(TreeAccess& tree, const platform::Identity& id, platform::CopySession& session) {
    platform::Expected<const platform::Folder*> folder = tree.FolderAt(rel_, id);
    if (!folder) return folder.error();
    // Its own descriptor: the copies between the steps use the tree too.
    platform::Expected<platform::Folder> own = (*folder)->Reopen();
    if (!own) return own.error();
    folder_.emplace(std::move(*own));
    session_ = &session;
    return {};
  }

  platform::EntryInfo LookUp(std::string_view name) const {
    return far_ ? far_->LookUp(rel_, name) : folder_->LookUp(name);
  }
  std::error_code Rename(std::string_view name, const platform::Expectation& expect, std::string_view newName) const {
    if (!far_) {
      Changing();
      return platform::RenameEntryAt(*folder_, name, expect, newName);
    }
    return Wait([&](const IFarRoot::Done& done) { far_->Rename(rel_, name, expect, newName, done); });
  }
  std::error_code MakeFolder(std::string_view name) const {
    if (!far_) {
      Changing();
      return platform::MakeFolderAt(*folder_, name);
    }
    return Wait([&](const IFarRoot::Done& done) { far_->MakeFolder(rel_, name, done); });
  }
  std::error_code Delete(std::string_view name, const platform::Expectation& expect, bool toTrash) const {
    if (!far_) {
      Changing();
      return platform::DeleteEntryAt(*folder_, name, expect, toTrash);
    }
    return Wait([&](const IFarRoot::Done& done) { far_->Delete(rel_, name, expect, toTrash, done); });
  }
  std::error_code RemoveFolderTree(std::string_view name, std::span<const SeenEntry> tree, bool toTrash) const {
    if (far_) return Wait([&](const IFarRoot::Done& done) { far_->RemoveTree(rel_, name, tree, toTrash, done); });
    Changing();
    if (toTrash) return platform::TrashEntryAt(*folder_, name, folder_->LookUpIdentity(name));
    return RemoveTree(*folder_, name, tree);
  }
  // Only this machine's trash: another machine's entry has none the user could
  // reach from here.
  std::error_code Trash(std::string_view name) const {
    if (far_) return platform::SystemError(EXDEV);
    return platform::TrashEntryAt(*folder_, name, folder_->LookUpIdentity(name));
  }
  bool Far() const { return far_ != nullptr; }
  bool Opened() const { return folder_.has_value(); }
  const platform::Folder& Here() const { return *folder_; }

 private:
  void Changing() const { session_->NoteChange(folder_->Fd(), folder_->Id().device); }
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
  platform::CopySession* session_ = nullptr;
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
                                                    fromBase ? work.ids.base : work.ids.target, session_))
      return {error, fromSide};
  if (!toFar)
    if (const std::error_code error = to.OpenHere(fromBase ? work.target : work.base,
                                                  fromBase ? work.ids.target : work.ids.base, session_))
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
                                      TreeAccess::Made{rel, {{rel.size(), {}}}}, fromFar, toFar});
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
    if (const std::error_code error = base.OpenHere(work.base, work.ids.base, session_)) return {error, Side::Base};
  if (!targetFar)
    if (const std::error_code error = target.OpenHere(work.target, work.ids.target, session_)) return {error, Side::Target};
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

RowError SyncExecution::KeepOneVersion(const Work& work, bool keepBase, IFarRoot* baseFar, IFarRoot* targetFar,
                                       platform::EntryInfo* copied) {
  const Side fromSide = keepBase ? Side::Base : Side::Target;
  const Side toSide = keepBase ? Side::Target : Side::Base;
  IFarRoot* const fromFar = keepBase ? baseFar : targetFar;
  IFarRoot* const toFar = keepBase ? targetFar : baseFar;
  StepSide from(fromFar, work.rel);
  StepSide to(toFar, work.rel);
  if (!fromFar)
    if (const std::error_code error =
            from.OpenHere(keepBase ? work.base : work.target, keepBase ? work.ids.base : work.ids.target, session_))
      return {error, fromSide};
  if (!toFar)
    if (const std::error_code error =
            to.OpenHere(keepBase ? work.target : work.base, keepBase ? work.ids.target : work.ids.base, session_))
      return {error, toSide};
  // A file meeting a folder: the row's isFolder names the base's kind.
  const bool sourceIsFolder = work.row.kindChange ? keepBase == work.row.isFolder : work.row.isFolder;
  const bool destinationIsFolder = work.row.kindChange ? !sourceIsFolder : work.row.isFolder;
  const Shown& sourceShown = keepBase ? work.baseShown : work.targetShown;
  const Shown& destinationShown = keepBase ? work.targetShown : work.baseShown;
  const platform::EntryInfo source = from.LookUp(work.name);
  if (source.error) return {source.error, fromSide};
  if (!source.exists || source.directory != sourceIsFolder || (!sourceIsFolder && source.mtime != sourceShown.time))
    return {Changed(), fromSide};

  // The other version steps aside first: should the kept one not arrive, it
  // comes back, and the name never stands empty with the version lost.
  const std::string aside = FreeBesideName(work.name, "conflict", to, nullptr);
  const platform::Expectation was = destinationIsFolder ? platform::Expectation::Folder(destinationShown.time)
                                                        : platform::Expectation::File(destinationShown.time);
  if (const std::error_code error = to.Rename(work.name, was, aside)) return {error, toSide};
  const platform::Expectation absent{platform::Expectation::Kind::Absent, {}};
  const platform::Expectation sourceFile = platform::Expectation::File(sourceShown.time);
  RowError made;
  if (sourceIsFolder) {
    made = {to.MakeFolder(work.name), toSide};
  } else if (fromFar || toFar) {
    made = CopyNow(work, keepBase, fromFar, toFar, Transfer{work.name, sourceFile, work.name, absent});
  } else {
    platform::CopyFaultSide fault = platform::CopyFaultSide::Destination;
    made.code = platform::CopyEntryAt(from.Here(), work.name, sourceFile, to.Here(), absent, session_, &fault);
    made.side = fault == platform::CopyFaultSide::Source ? fromSide : toSide;
  }
  if (made.code) {
    to.Rename(aside, platform::Expectation{}, work.name);
    return made;
  }
  if (copied) *copied = to.LookUp(work.name);
  // What the trash does not take stays beside under its name: the kept
  // version is in place either way.
  to.Trash(aside);
  return {};
}

RowError SyncExecution::SetVersionAside(const Work& work, bool baseSide, IFarRoot* baseFar, IFarRoot* targetFar) {
  const Side goneSide = baseSide ? Side::Base : Side::Target;
  const Side keptSide = baseSide ? Side::Target : Side::Base;
  StepSide gone(baseSide ? baseFar : targetFar, work.rel);
  StepSide kept(baseSide ? targetFar : baseFar, work.rel);
  if (!gone.Far())
    if (const std::error_code error =
            gone.OpenHere(baseSide ? work.base : work.target, baseSide ? work.ids.base : work.ids.target, session_))
      return {error, goneSide};
  // Only while the side that deleted it still has nothing there.
  if (!kept.Far()) {
    if (const std::error_code error =
            kept.OpenHere(baseSide ? work.target : work.base, baseSide ? work.ids.target : work.ids.base, session_);
        error && !platform::IsAbsence(error))
      return {error, keptSide};
  }
  const platform::EntryInfo now = kept.Far() || kept.Opened() ? kept.LookUp(work.name) : platform::EntryInfo{};
  if (now.error) return {now.error, keptSide};
  if (now.exists) return {Changed(), keptSide};

  const Shown& shown = baseSide ? work.baseShown : work.targetShown;
  const bool folder = work.row.kindChange ? baseSide == work.row.isFolder : work.row.isFolder;
  const platform::EntryInfo before = gone.LookUp(work.name);
  if (before.error) return {before.error, goneSide};
  if (!before.exists || before.directory != folder || (!folder && before.mtime != shown.time))
    return {Changed(), goneSide};
  if (!gone.Far()) {
    // Checked just above; the trash itself checks the entry's identity.
    if (!gone.Trash(work.name)) return {};
  }
  const std::string aside = FreeBesideName(work.name, "conflict", gone, nullptr);
  const platform::Expectation was =
      folder ? platform::Expectation::Folder(before.mtime) : platform::Expectation::File(shown.time);
  return {gone.Rename(work.name, was, aside), goneSide};
}

}  // namespace orvel::engine
