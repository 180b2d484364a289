#include "engine/comparison.h"

namespace orvel::engine {

namespace {

// Look-ups of one side that remember the folder of the previous entry: the
// entries of a list come folder by folder.
class CachedSide {
 public:
  explicit CachedSide(const SideIndex& index) : index_(index) {}
  platform::EntryInfo LookUp(std::string_view relFolder, std::string_view name) {
    if (!valid_ || relFolder != rel_) {
      rel_.assign(relFolder);
      folder_ = index_.ResolveFolder(relFolder);
      valid_ = true;
    }
    return index_.LookUp(folder_, relFolder, name);
  }

 private:
  const SideIndex& index_;
  std::string rel_;
  SideIndex::FolderId folder_ = SideIndex::kNoFolder;
  bool valid_ = false;
};

bool IsFile(const platform::EntryInfo& e) { return e.exists && !e.directory; }

}  // namespace

struct Comparison::Verdict {
  bool row = false;
  Mark result = Mark::Same;
  Mark mark = Mark::Same;
  bool hasBase = false;
  bool hasTarget = false;
  platform::FileTime baseTime;
  platform::FileTime targetTime;
};

// Per-condition state kept out of the header: the look-up caches and the
// folder pair of the previous row.
struct Comparison::State {
  explicit State(const SideIndex& base, const SideIndex& target) : base(base), target(target) {}
  CachedSide base;
  CachedSide target;
  std::string rowFolderRel;
  std::uint32_t rowFolder = 0;
  bool rowFolderValid = false;
};

Comparison::Comparison(RowStore& rows, IResultList& list) : rows_(rows), list_(list) {}
Comparison::~Comparison() = default;

void Comparison::Begin(const RunValues& values, const SideIndex& base, const SideIndex& target) {
  values_ = &values;
  state_ = std::make_unique<State>(base, target);
}

template <typename LookUpBase, typename LookUpTarget>
Comparison::Verdict Comparison::Judge(Kind kind, LookUpBase&& lookUpBase, LookUpTarget&& lookUpTarget) const {
  const RunValues& v = *values_;
  Verdict verdict;
  switch (kind) {
    case Kind::BaseFile: {
      verdict.result = Mark::BaseNewer;
      const auto target = lookUpTarget();
      if (IsFile(target)) {
        verdict.hasTarget = true;
        verdict.targetTime = target.mtime;
      } else {
        verdict.result = Mark::BaseOnly;
      }
      const auto base = lookUpBase();
      if (IsFile(base)) {
        verdict.hasBase = true;
        verdict.baseTime = base.mtime;
        if (verdict.hasTarget) {
          verdict.result = base.mtime < target.mtime    ? Mark::TargetNewer
                           : base.mtime == target.mtime ? Mark::Same
                                                        : Mark::BaseNewer;
        }
      } else {
        verdict.result = Mark::TargetOnly;
      }
      verdict.mark = verdict.result;
      if (!v.sameDisp && verdict.result == Mark::Same) return verdict;
      if (verdict.hasBase && verdict.hasTarget) {
        const std::int64_t d = verdict.baseTime.sec > verdict.targetTime.sec
                                   ? verdict.baseTime.sec - verdict.targetTime.sec
                                   : verdict.targetTime.sec - verdict.baseTime.sec;
        if (d < v.toleranceSeconds) {
          verdict.mark = Mark::Same;
          if (!v.sameDisp) return verdict;
        }
      }
      verdict.row = true;
      return verdict;
    }
    case Kind::BaseFolder: {
      if (lookUpTarget().exists) return verdict;
      verdict.result = Mark::BaseOnly;
      const auto base = lookUpBase();
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
      if (lookUpBase().exists) return verdict;
      verdict.result = v.complete ? Mark::Delete : Mark::TargetOnly;
      const auto target = lookUpTarget();
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
      if (IsFile(lookUpBase())) return verdict;
      verdict.result = v.complete ? Mark::Delete : Mark::TargetOnly;
      const auto target = lookUpTarget();
      if (IsFile(target)) {
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

bool Comparison::Classify(Kind kind, std::string_view relFolder, std::string_view name) {
  State& s = *state_;
  Verdict verdict = Judge(
      kind, [&] { return s.base.LookUp(relFolder, name); }, [&] { return s.target.LookUp(relFolder, name); });

  if (!verdict.row) return false;

  if (!s.rowFolderValid || relFolder != s.rowFolderRel) {
    s.rowFolderRel.assign(relFolder);
    s.rowFolder =
        rows_.InternFolder(values_->aFolder + s.rowFolderRel, values_->bFolder + s.rowFolderRel, s.rowFolderRel.size());
    s.rowFolderValid = true;
  }
  ResultRow row;
  row.folder = s.rowFolder;
  row.baseTime = verdict.baseTime;
  row.targetTime = verdict.targetTime;
  row.hasBase = verdict.hasBase;
  row.hasTarget = verdict.hasTarget;
  row.mark = verdict.mark;
  row.result = verdict.result;
  row.side = (kind == Kind::BaseFile || kind == Kind::BaseFolder) ? Side::Base : Side::Target;
  row.isFolder = kind == Kind::BaseFolder || kind == Kind::TargetFolder;
  list_.AppendItem(rows_.Append(name, row));
  if (onRowAdded_) onRowAdded_(list_.ItemCount() - 1);
  return true;
}

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
