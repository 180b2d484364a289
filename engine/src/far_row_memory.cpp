// What a row with a side on another machine leaves in its pair's remembered
// state. The far side answers later than the row is sent, so what the state
// needs of the row is kept until then.
#include "engine/sync_execution.h"

#include "sync_work.h"

#include "platform/path.h"

namespace orvel::engine {

std::shared_ptr<SyncExecution::FarMemo> SyncExecution::FarMemoOf(const Work& work, Mark shown) {
  PairMemory* pair = memory_.PairOf(rows_.BaseRoot(work.row), rows_.TargetRoot(work.row));
  if (!pair) return nullptr;
  auto memo = std::make_shared<FarMemo>();
  memo->pair = pair;
  memo->rel.assign(work.rel);
  memo->name.assign(work.name);
  memo->isFolder = work.row.isFolder;
  memo->kindChange = work.row.kindChange;
  memo->rowIndex = work.rowIndex;
  memo->shown = shown;
  const bool fromBase = shown == Mark::BaseSynced;
  if (const platform::EntryInfo* seen = pair->Shown(work.rowIndex, fromBase)) {
    memo->source = *seen;
    memo->sourceSeen = true;
  } else {
    memo->source.exists = true;
    memo->source.directory = work.row.isFolder;
    memo->source.mtime = fromBase ? work.baseShown.time : work.targetShown.time;
  }
  return memo;
}

void SyncExecution::RememberFar(const FarMemo& memo) {
  PairMemory& pair = *memo.pair;
  const bool fromBase = memo.shown == Mark::BaseSynced;
  const bool copied = memo.shown == Mark::BaseSynced || memo.shown == Mark::TargetSynced;
  // A file whose far copy did not say what it kept is left to the next run's
  // first contact (the contents then decide) rather than remembered wrongly.
  if (!copied || (!memo.isFolder && !memo.kept.exists)) {
    pair.Forget(memo.rel, memo.name);
    return;
  }
  if (memo.kindChange) {
    // The entry that went: a file is forgotten, a folder's tree with it.
    if (fromBase == memo.isFolder) {
      pair.Forget(memo.rel, memo.name);
      return;
    }
    if (const std::vector<ReplacedEntry>* tree = memory_.ReplacedTree(memo.rowIndex)) {
      std::string top = memo.rel + memo.name;
      top.push_back(platform::kSeparator);
      for (const ReplacedEntry& entry : *tree) {
        const auto cut = entry.rel.rfind(platform::kSeparator);
        const std::string folder = cut == std::string::npos ? top : top + entry.rel.substr(0, cut + 1);
        pair.Forget(folder, cut == std::string::npos ? entry.rel : entry.rel.substr(cut + 1));
      }
    }
  }
  platform::EntryInfo source = memo.source;
  if (!memo.sourceSeen) source.size = memo.kept.size;
  pair.RememberCopy(memo.rel, memo.name, fromBase, source, memo.kept, memo.isFolder && !memo.kindChange);
}

}  // namespace orvel::engine
