#include "engine/comparison.h"

#include <vector>

namespace orvel::engine {

namespace {

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

// A time cut down to a whole number of steps of `unit` nanoseconds (FAT's two
// seconds fall on even seconds).
platform::FileTime CutTo(platform::FileTime t, std::int64_t unit) {
  if (unit <= 1) return t;
  const std::int64_t ns = platform::ToNanoseconds(t);
  std::int64_t cut = ns / unit * unit;
  if (cut > ns) cut -= unit;
  return platform::FromNanoseconds(cut);
}

platform::Identity FolderIdentity(const SideIndex& index, std::string_view relFolder) {
  const SideIndex::FolderId folder = index.FindFolder(relFolder);
  return folder == SideIndex::kNoFolder ? platform::Identity{} : index.FolderIdentity(folder);
}

}  // namespace

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
};

// Per-condition state kept out of the header: the look-up caches and the
// folder pair of the previous row.
struct Comparison::State {
  explicit State(const SideIndex& baseIndex, const SideIndex& targetIndex) : base(baseIndex), target(targetIndex) {}
  CachedSide base;
  CachedSide target;
  // The folder of the previous listed entry, its path, and the other side's
  // resolution of that path.
  SideIndex::FolderId walkFolder = SideIndex::kNoFolder;
  bool walkBase = true;
  std::string walkRel;
  SideIndex::FolderId walkOther = SideIndex::kNoFolder;
  std::string rowFolderRel;
  std::uint32_t rowFolder = 0;
  bool rowFolderValid = false;
};

Comparison::Comparison(RowStore& rows, IResultList& list) : rows_(rows), list_(list) {}
Comparison::~Comparison() = default;

void Comparison::Begin(const RunValues& values, const SideIndex& base, const SideIndex& target) {
  values_ = &values;
  state_ = std::make_unique<State>(base, target);
  rows_.LendNames(&base.Names(), &target.Names());
}

// A look-up that failed decides the row before anything else: nothing is
// compared, copied or deleted on the strength of it. A failure of the listed
// entry itself (or one only the file system saw) is a "?" row with its reason;
// one that another row already shows (the entry the other side lists, a folder
// above that could not be read) or that lies in the other tree's root adds none.
bool Comparison::Failed(const Found& own, Side ownSide, const Found& other, Verdict& verdict) {
  const auto failedRow = [&](const Found& found, Side side) {
    verdict.row = true;
    verdict.result = verdict.mark = Mark::Failed;
    verdict.isFolder = own.info.directory;
    verdict.error = RowError{found.info.error, side};
    return true;
  };
  const Side otherSide = ownSide == Side::Base ? Side::Target : Side::Base;
  if (own.info.error) {
    if (own.origin == Found::Origin::Folder) return true;
    return failedRow(own, ownSide);
  }
  if (other.info.error) {
    if (other.origin == Found::Origin::FileSystem) return failedRow(other, otherSide);
    return true;
  }
  return false;
}

Comparison::Verdict Comparison::Judge(Kind kind, const Found& baseFound, const Found& targetFound) const {
  const RunValues& v = *values_;
  const platform::EntryInfo& base = baseFound.info;
  const platform::EntryInfo& target = targetFound.info;
  Verdict verdict;
  switch (kind) {
    case Kind::BaseFile: {
      verdict.result = Mark::BaseNewer;
      if (target.IsFile()) {
        verdict.hasTarget = true;
        verdict.targetTime = target.mtime;
      } else {
        verdict.result = Mark::BaseOnly;
      }
      if (base.IsFile()) {
        verdict.hasBase = true;
        verdict.baseTime = base.mtime;
        if (verdict.hasTarget) {
          // At the coarser step of the two file systems: a copy onto whole
          // seconds compares equal to its source.
          const platform::FileTime b = CutTo(base.mtime, timeUnitNs_);
          const platform::FileTime t = CutTo(target.mtime, timeUnitNs_);
          verdict.result = b < t ? Mark::TargetNewer : b == t ? Mark::Same : Mark::BaseNewer;
        }
      } else {
        verdict.result = Mark::TargetOnly;
      }
      verdict.mark = verdict.result;
      if (!v.sameDisp && verdict.result == Mark::Same) return verdict;
      if (verdict.hasBase && verdict.hasTarget) {
        const std::int64_t bs = CutTo(verdict.baseTime, timeUnitNs_).sec;
        const std::int64_t ts = CutTo(verdict.targetTime, timeUnitNs_).sec;
        const std::int64_t d = bs > ts ? bs - ts : ts - bs;
        if (d < v.toleranceSeconds) {
          verdict.mark = Mark::Same;
          if (!v.sameDisp) return verdict;
        }
      }
      verdict.row = true;
      return verdict;
    }
    case Kind::BaseFolder: {
      if (target.exists) return verdict;
      verdict.result = Mark::BaseOnly;
      if (!base.exists) {
        verdict.result = Mark::TargetOnly;
      } else if (!base.directory) {
        return verdict;
      } else {
        verdict.hasBase = true;
        verdict.baseTime = base.mtime;
      }
      verdict.mark = verdict.result;
      verdict.row = true;
      return verdict;
    }
    case Kind::TargetFolder: {
      if (base.exists) return verdict;
      verdict.result = v.complete ? Mark::Delete : Mark::TargetOnly;
      if (!target.exists) {
        verdict.result = Mark::BaseOnly;
      } else if (!target.directory) {
        return verdict;
      } else {
        verdict.hasTarget = true;
        verdict.targetTime = target.mtime;
      }
      verdict.mark = verdict.result;
      verdict.row = true;
      return verdict;
    }
    case Kind::TargetFile: {
      if (base.IsFile()) return verdict;
      verdict.result = v.complete ? Mark::Delete : Mark::TargetOnly;
      if (target.IsFile()) {
        verdict.hasTarget = true;
        verdict.targetTime = target.mtime;
      } else {
        verdict.result = Mark::BaseOnly;
      }
      verdict.mark = verdict.result;
      verdict.row = true;
      return verdict;
    }
  }
  return verdict;
}

// Normal mode with the last sync remembered: a side whose time differs from
// the remembered one changed. One side changed wins whatever the clocks say;
// both changed stops at "!"; an entry gone from one side unchanged on the
// other goes there too ("X", "<X"), changed it stops at "!". An entry the state
// does not hold keeps today's verdict. A side that would be overwritten or
// deleted as unchanged must have kept its size too.
void Comparison::JudgeByMemory(Kind kind, std::string_view relFolder, std::string_view name, const Found& baseFound,
                               const Found& targetFound, Verdict& verdict) {
  PairMemory& memory = *memory_;
  const platform::EntryInfo& base = baseFound.info;
  const platform::EntryInfo& target = targetFound.info;
  const bool folderKind = kind == Kind::BaseFolder || kind == Kind::TargetFolder;
  RememberedEntry was;
  const bool remembered = memory.Find(relFolder, name, was) && was.folder == folderKind;
  const auto sameSize = [&](bool baseSide) {
    std::uint64_t size = 0;
    return folderKind || (memory.SizeOf(baseSide, relFolder, name, size) && size == was.size);
  };
  const auto decide = [&](Mark mark) {
    verdict.result = verdict.mark = mark;
    verdict.row = mark != Mark::Same || values_->sameDisp;
    if (mark == Mark::Delete || mark == Mark::BaseDelete) memory.NoteDeletion(mark == Mark::BaseDelete, relFolder);
  };
  // The side the rule keys on (the one judged), and whether the other is gone.
  const bool baseSide = kind == Kind::BaseFile || kind == Kind::BaseFolder;
  const platform::EntryInfo& own = baseSide ? base : target;
  const platform::EntryInfo& other = baseSide ? target : base;
  if (folderKind ? !own.directory : !own.IsFile()) return;

  if (!other.exists) {
    if (!remembered) return;
    const platform::FileTime then = baseSide ? was.baseTime : was.targetTime;
    const bool unchanged = folderKind || (own.mtime == then && sameSize(baseSide));
    decide(!unchanged ? Mark::Conflict : baseSide ? Mark::BaseDelete : Mark::Delete);
    return;
  }
  // Both sides present: only the base side's file pass judges the pair.
  if (kind != Kind::BaseFile && kind != Kind::BaseFolder) return;
  if (folderKind ? !other.directory : !other.IsFile()) return;
  if (folderKind || verdict.mark == Mark::Same) {
    // Equal now (identical, or within the tolerance): what the pair is remembered as.
    if (recordEqual_ && !(remembered && was.baseTime == base.mtime && was.targetTime == target.mtime)) {
      memory.RememberEqual(relFolder, name, base.mtime, target.mtime, folderKind);
    }
    return;
  }
  if (!remembered) return;
  const bool baseChanged = base.mtime != was.baseTime;
  const bool targetChanged = target.mtime != was.targetTime;
  if (!baseChanged && !targetChanged) {
    decide(Mark::Same);
  } else if (baseChanged && targetChanged) {
    decide(Mark::Conflict);
  } else {
    // The copy overwrites the side that did not change: its size must say so too.
    decide(!sameSize(!baseChanged) ? Mark::Conflict : baseChanged ? Mark::BaseNewer : Mark::TargetNewer);
  }
}

bool Comparison::Classify(Kind kind, std::string_view relFolder, std::string_view name, SideIndex::EntryId own) {
  State& s = *state_;
  const bool baseSide = kind == Kind::BaseFile || kind == Kind::BaseFolder;
  Found base;
  Found target;
  if (own != SideIndex::kNoEntry) {
    const CachedSide& ownSide = baseSide ? s.base : s.target;
    const CachedSide& otherSide = baseSide ? s.target : s.base;
    (baseSide ? base : target) = ownSide.Index().LookUpEntry(own, relFolder);
    (baseSide ? target : base) = otherSide.Index().LookUp(s.walkOther, relFolder, name);
  } else {
    base = s.base.LookUp(relFolder, name);
    target = s.target.LookUp(relFolder, name);
  }
  Verdict verdict;
  const bool failed = baseSide ? Failed(base, Side::Base, target, verdict) : Failed(target, Side::Target, base, verdict);
  if (!failed) {
    verdict = Judge(kind, base, target);
    verdict.isFolder = kind == Kind::BaseFolder || kind == Kind::TargetFolder;
    // Links whose times cannot be trusted on a side are the same when they say the same.
    if (linksByText_ && kind == Kind::BaseFile && base.info.link && target.info.link && verdict.hasBase &&
        verdict.hasTarget && verdict.mark != Mark::Same) {
      const std::string text = s.base.Index().LinkText(relFolder, name);
      if (!text.empty() && text == s.target.Index().LinkText(relFolder, name)) {
        verdict.result = verdict.mark = Mark::Same;
        verdict.row = values_->sameDisp;
      }
    }
    if (memory_) JudgeByMemory(kind, relFolder, name, base, target, verdict);
  }
  if (!verdict.row) return false;

  if (!s.rowFolderValid || relFolder != s.rowFolderRel) {
    s.rowFolderRel.assign(relFolder);
    const FolderIdentities ids{FolderIdentity(s.base.Index(), relFolder), FolderIdentity(s.target.Index(), relFolder),
                               FolderIdentity(s.base.Index(), {}), FolderIdentity(s.target.Index(), {})};
    s.rowFolder = rows_.InternFolder(values_->aFolder + s.rowFolderRel, values_->bFolder + s.rowFolderRel,
                                     s.rowFolderRel.size(), ids);
    s.rowFolderValid = true;
  }
  ResultRow row;
  row.folder = s.rowFolder;
  row.baseTime = verdict.baseTime;
  row.targetTime = verdict.targetTime;
  row.hasBase = verdict.hasBase;
  row.hasTarget = verdict.hasTarget;
  // The sizes the scan saw (no look-up of their own): what a copy will move.
  if (verdict.hasBase) row.baseSize = base.info.size;
  if (verdict.hasTarget) row.targetSize = target.info.size;
  row.mark = verdict.mark;
  row.result = verdict.result;
  row.side = baseSide ? Side::Base : Side::Target;
  row.isFolder = verdict.isFolder;
  const int index = own == SideIndex::kNoEntry
                        ? rows_.Append(name, row)
                        : rows_.AppendListed(row.side, (baseSide ? s.base : s.target).Index().EntryNameRef(own), name, row);
  if (verdict.error.code) rows_.SetError(index, verdict.error);
  list_.AppendItem(index);
  if (onRowAdded_) onRowAdded_(list_.ItemCount() - 1);
  return true;
}

bool Comparison::ClassifyListed(Kind kind, SideIndex::EntryId entry) {
  State& s = *state_;
  const bool baseSide = kind == Kind::BaseFile || kind == Kind::BaseFolder;
  CachedSide& own = baseSide ? s.base : s.target;
  CachedSide& other = baseSide ? s.target : s.base;
  const SideIndex::FolderId folder = own.Index().EntryFolder(entry);
  if (folder != s.walkFolder || baseSide != s.walkBase) {
    s.walkFolder = folder;
    s.walkBase = baseSide;
    s.walkRel.clear();
    own.Index().AppendFolderPath(folder, s.walkRel);
    s.walkOther = other.Counterpart(own.Index(), folder);
  }
  return Classify(kind, s.walkRel, own.Index().EntryName(entry), entry);
}

bool Comparison::ListedBaseFolder(SideIndex::EntryId entry) { return ClassifyListed(Kind::BaseFolder, entry); }
bool Comparison::ListedBaseFile(SideIndex::EntryId entry) { return ClassifyListed(Kind::BaseFile, entry); }
bool Comparison::ListedTargetFolder(SideIndex::EntryId entry) { return ClassifyListed(Kind::TargetFolder, entry); }
bool Comparison::ListedTargetFile(SideIndex::EntryId entry) { return ClassifyListed(Kind::TargetFile, entry); }

bool Comparison::BaseFolder(std::string_view relFolder, std::string_view name) {
  return Classify(Kind::BaseFolder, relFolder, name);
}
bool Comparison::BaseFile(std::string_view relFolder, std::string_view name) {
  return Classify(Kind::BaseFile, relFolder, name);
}
bool Comparison::TargetFolder(std::string_view relFolder, std::string_view name) {
  return Classify(Kind::TargetFolder, relFolder, name);
}
bool Comparison::TargetFile(std::string_view relFolder, std::string_view name) {
  return Classify(Kind::TargetFile, relFolder, name);
}

}  // namespace orvel::engine
