#include "engine/comparison.h"

#include "comparison_internal.h"

namespace orvel::engine {

using Found = SideIndex::Found;
using comparison_detail::CachedSide;
using comparison_detail::FolderIdentity;

namespace {

// A time cut down to a whole number of steps of `unit` nanoseconds (FAT's two
// seconds fall on even seconds).
platform::FileTime CutTo(platform::FileTime t, std::int64_t unit) {
  if (unit <= 1) return t;
  const std::int64_t ns = platform::ToNanoseconds(t);
  std::int64_t cut = ns / unit * unit;
  if (cut > ns) cut -= unit;
  return platform::FromNanoseconds(cut);
}

}  // namespace

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
    if (memory_) {
      JudgeByMemory(kind, relFolder, name, base, target, verdict);
    } else if (values_->complete) {
      JudgeCompleteKind(kind, relFolder, name, base, target, verdict);
    }
  }
  return AddRow(relFolder, name, verdict, baseSide ? Side::Base : Side::Target, own, base, target);
}

bool Comparison::AddRow(std::string_view relFolder, std::string_view name, Verdict& verdict, Side side,
                        SideIndex::EntryId own, const Found& base, const Found& target) {
  if (!verdict.row) return false;
  State& s = *state_;
  const bool baseSide = side == Side::Base;
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
  row.kindChange = verdict.kindChange;
  row.timesOnly = verdict.timesOnly;
  const int index = own == SideIndex::kNoEntry
                        ? rows_.Append(name, row)
                        : rows_.AppendListed(row.side, (baseSide ? s.base : s.target).Index().EntryNameRef(own), name, row);
  if (verdict.error.code) rows_.SetError(index, verdict.error);
  if (memory_) memory_->NoteShown(index, base.info, target.info);
  if (verdict.kindChange && registry_) registry_->NoteReplacedTree(index, std::move(verdict.tree));
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
    s.walkSkip = (memory_ || values_->complete) && SettledAbove(baseSide, s.walkRel);
  }
  if (s.walkSkip) return false;
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
